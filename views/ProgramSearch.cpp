#include "views/ProgramSearch.h"

#include <algorithm>
#include <numeric>

namespace portico {

namespace {

bool isWordCharacter(QChar c) { return c.isLetterOrNumber(); }

QVector<int> wordStarts(const QString& text) {
    QVector<int> starts;
    for (int i = 0; i < text.size(); ++i) {
        if (isWordCharacter(text[i]) && (i == 0 || !isWordCharacter(text[i - 1]))) starts.append(i);
    }
    return starts;
}

void mapRange(const QVector<int>& origins, int from, int count, QVector<int>* positions) {
    if (!positions) return;
    positions->clear();
    for (int i = from; i < from + count; ++i) {
        if (positions->isEmpty() || positions->last() != origins[i]) positions->append(origins[i]);
    }
}

bool isMark(QChar c) {
    const auto category = c.category();
    return category == QChar::Mark_NonSpacing || category == QChar::Mark_Enclosing ||
           category == QChar::Mark_SpacingCombining;
}

}  // namespace

QString ProgramSearch::fold(const QString& text, QVector<int>* origins) {
    QString folded;
    folded.reserve(text.size());
    if (origins) {
        origins->clear();
        origins->reserve(text.size());
    }
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.unicode() < 0x80) {  // the common case, without a normalisation per character
            folded.append(c.toLower());
            if (origins) origins->append(i);
            continue;
        }
        const int width = c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
        const QString decomposed = text.mid(i, width).normalized(QString::NormalizationForm_KD);
        for (int k = 0; k < decomposed.size(); ++k) {
            const QChar part = decomposed[k];
            if (isMark(part)) continue;
            QString partFolded;
            if (part.isHighSurrogate() && k + 1 < decomposed.size()) {
                partFolded = decomposed.mid(k, 2).toCaseFolded();
                ++k;
            } else {
                partFolded = QString(part).toCaseFolded();
            }
            // Qt folds one character to one; the sharp s is the full folding's
            // one common case that needs two ("Straße" is found by "strasse").
            if (partFolded == QStringLiteral("\u00DF")) partFolded = QStringLiteral("ss");
            folded.append(partFolded);
            if (origins) {
                for (int n = 0; n < partFolded.size(); ++n) origins->append(i);
            }
        }
        i += width - 1;
    }
    return folded;
}

int ProgramSearch::add(const QString& name, const QString& description, const QString& executable) {
    Entry entry;
    entry.executable = fold(executable.mid(executable.lastIndexOf(QLatin1Char('/')) + 1));
    entry.name = fold(name, &entry.nameOrigins);
    entry.nameWordStarts = wordStarts(entry.name);
    entry.description = fold(description);
    entry.descriptionWordStarts = wordStarts(entry.description);
    entries_.push_back(std::move(entry));
    lastQuery_.clear();
    lastEntries_.clear();
    return static_cast<int>(entries_.size()) - 1;
}

void ProgramSearch::setWeight(int entry, float weight) {
    if (entry >= 0 && entry < size()) entries_[static_cast<std::size_t>(entry)].weight = weight;
}

void ProgramSearch::clear() {
    entries_.clear();
    lastQuery_.clear();
    lastEntries_.clear();
}

namespace {

// Plain loops over UTF-16 units: both sides are folded already, so nothing
// more than equality is needed, and a keystroke runs this for every entry.
inline bool sameAt(const QChar* text, int textLength, int at, const QChar* part, int partLength) {
    if (at + partLength > textLength) return false;
    for (int i = 0; i < partLength; ++i)
        if (text[at + i] != part[i]) return false;
    return true;
}

}  // namespace

bool ProgramSearch::matchName(const Entry& entry, const QString& query, Match& match, QVector<int>* positions) {
    const QChar* name = entry.name.constData();
    const int nameLength = static_cast<int>(entry.name.size());
    const QChar* q = query.constData();
    const int length = static_cast<int>(query.size());
    if (sameAt(name, nameLength, 0, q, length)) {
        match.tier = nameLength == length ? Tier::Exact : Tier::Prefix;
        mapRange(entry.nameOrigins, 0, length, positions);
        return true;
    }
    for (const int start : entry.nameWordStarts) {
        if (start > 0 && sameAt(name, nameLength, start, q, length)) {
            match.tier = Tier::WordStart;
            match.spread = start;
            mapRange(entry.nameOrigins, start, length, positions);
            return true;
        }
    }
    for (int at = 1; at + length <= nameLength; ++at) {
        if (name[at] == q[0] && sameAt(name, nameLength, at, q, length)) {
            match.tier = Tier::Substring;
            match.spread = at;
            mapRange(entry.nameOrigins, at, length, positions);
            return true;
        }
    }
    // Subsequence: blanks in the query are not letters to find.
    int next = 0;
    while (next < length && q[next].isSpace()) ++next;
    if (next == length) return false;
    int first = -1;
    int last = -1;
    if (positions) positions->clear();
    for (int i = 0; i < nameLength && next < length; ++i) {
        if (name[i] != q[next]) continue;
        if (first < 0) first = i;
        last = i;
        if (positions && (positions->isEmpty() || positions->last() != entry.nameOrigins[i]))
            positions->append(entry.nameOrigins[i]);
        ++next;
        while (next < length && q[next].isSpace()) ++next;
    }
    if (next < length) return false;
    match.tier = Tier::Subsequence;
    match.spread = last - first;
    return true;
}

bool ProgramSearch::matchDescription(const Entry& entry, const QVector<QStringView>& words) {
    if (entry.description.isEmpty()) return false;
    const QChar* description = entry.description.constData();
    const int descriptionLength = static_cast<int>(entry.description.size());
    for (const QStringView word : words) {
        const bool found = std::any_of(entry.descriptionWordStarts.begin(), entry.descriptionWordStarts.end(), [&](int start) {
            return sameAt(description, descriptionLength, start, word.data(), static_cast<int>(word.size()));
        });
        if (!found) return false;
    }
    return true;
}

QString ProgramSearch::prepared(const QString& query) { return fold(query).simplified(); }

template <typename Entries>
std::vector<ProgramSearch::Match> ProgramSearch::search(const QString& folded, const Entries& candidates) const {
    std::vector<Match> matches;
    if (folded.isEmpty()) return matches;
    QVector<QStringView> words;
    for (const QStringView word : QStringView(folded).split(QLatin1Char(' '), Qt::SkipEmptyParts)) words.append(word);

    // One bucket per tier keeps the entries' order without a general sort.
    constexpr int kTiers = static_cast<int>(Tier::Executable) + 1;
    std::vector<Match> tiers[kTiers];
    for (const int i : candidates) {
        Match match;
        match.entry = i;
        const Entry& entry = entries_[i];
        if (!matchName(entry, folded, match, nullptr)) {
            if (matchDescription(entry, words)) {
                match = Match{i, Tier::Description, 0};
            } else if (const auto at = entry.executable.indexOf(folded); at >= 0 && !entry.executable.isEmpty()) {
                match = Match{i, Tier::Executable, static_cast<int>(at)};
            } else {
                continue;
            }
        }
        tiers[static_cast<int>(match.tier)].push_back(match);
    }
    std::size_t total = 0;
    for (auto& tier : tiers) total += tier.size();
    matches.reserve(total);
    for (auto& tier : tiers) {
        std::stable_sort(tier.begin(), tier.end(), [this](const Match& a, const Match& b) {
            const float weightA = entries_[static_cast<std::size_t>(a.entry)].weight;
            const float weightB = entries_[static_cast<std::size_t>(b.entry)].weight;
            if (weightA != weightB) return weightA > weightB;
            return a.spread < b.spread;
        });
        matches.insert(matches.end(), tier.begin(), tier.end());
    }
    return matches;
}

namespace {

// 0, 1, ... n-1 without storing them.
struct AllEntries {
    int count;
    struct iterator {
        int value;
        int operator*() const { return value; }
        iterator& operator++() {
            ++value;
            return *this;
        }
        bool operator!=(const iterator& other) const { return value != other.value; }
    };
    iterator begin() const { return {0}; }
    iterator end() const { return {count}; }
};

}  // namespace

std::vector<ProgramSearch::Match> ProgramSearch::find(const QString& query) const {
    return search(prepared(query), AllEntries{size()});
}

std::vector<ProgramSearch::Match> ProgramSearch::refine(const QString& query) {
    const QString folded = prepared(query);
    std::vector<Match> matches = !lastQuery_.isEmpty() && folded.startsWith(lastQuery_)
                                     ? search(folded, lastEntries_)
                                     : search(folded, AllEntries{size()});
    lastQuery_ = folded;
    lastEntries_.resize(matches.size());
    std::transform(matches.begin(), matches.end(), lastEntries_.begin(), [](const Match& m) { return m.entry; });
    std::sort(lastEntries_.begin(), lastEntries_.end());
    return matches;
}

QVector<int> ProgramSearch::highlighted(int entry, const QString& query) const {
    QVector<int> positions;
    if (entry < 0 || entry >= size()) return positions;
    const QString folded = prepared(query);
    Match match;
    if (folded.isEmpty() || !matchName(entries_[entry], folded, match, &positions)) positions.clear();
    return positions;
}

}  // namespace portico
