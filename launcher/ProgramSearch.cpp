#include "ProgramSearch.h"

#include <algorithm>

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

QVector<int> mapped(const QVector<int>& origins, int from, int count) {
    QVector<int> positions;
    positions.reserve(count);
    for (int i = from; i < from + count; ++i) {
        if (positions.isEmpty() || positions.last() != origins[i]) positions.append(origins[i]);
    }
    return positions;
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
        for (const QChar part : decomposed) {
            if (part.category() == QChar::Mark_NonSpacing || part.category() == QChar::Mark_Enclosing ||
                part.category() == QChar::Mark_SpacingCombining)
                continue;
            const QString partFolded = QString(part).toCaseFolded();
            folded.append(partFolded);
            if (origins) {
                for (int k = 0; k < partFolded.size(); ++k) origins->append(i);
            }
        }
        i += width - 1;
    }
    return folded;
}

int ProgramSearch::add(const QString& name, const QString& description) {
    Entry entry;
    entry.name = fold(name, &entry.nameOrigins);
    entry.nameWordStarts = wordStarts(entry.name);
    entry.description = fold(description);
    entry.descriptionWordStarts = wordStarts(entry.description);
    entries_.push_back(std::move(entry));
    return static_cast<int>(entries_.size()) - 1;
}

void ProgramSearch::clear() { entries_.clear(); }

bool ProgramSearch::matchName(const Entry& entry, const QString& query, Match& match) const {
    const QString& name = entry.name;
    const int length = static_cast<int>(query.size());
    if (name.startsWith(query)) {
        match.tier = name.size() == length ? Tier::Exact : Tier::Prefix;
        match.highlighted = mapped(entry.nameOrigins, 0, length);
        return true;
    }
    for (const int start : entry.nameWordStarts) {
        if (start > 0 && QStringView(name).mid(start).startsWith(query)) {
            match.tier = Tier::WordStart;
            match.spread = start;
            match.highlighted = mapped(entry.nameOrigins, start, length);
            return true;
        }
    }
    if (const qsizetype at = name.indexOf(query); at >= 0) {
        match.tier = Tier::Substring;
        match.spread = static_cast<int>(at);
        match.highlighted = mapped(entry.nameOrigins, static_cast<int>(at), length);
        return true;
    }
    // Subsequence: blanks in the query are not letters to find.
    QVector<int> positions;
    int from = 0;
    for (const QChar c : query) {
        if (c.isSpace()) continue;
        const qsizetype at = name.indexOf(c, from);
        if (at < 0) return false;
        positions.append(static_cast<int>(at));
        from = static_cast<int>(at) + 1;
    }
    if (positions.isEmpty()) return false;
    match.tier = Tier::Subsequence;
    match.spread = positions.last() - positions.first();
    for (int& position : positions) position = entry.nameOrigins[position];
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    match.highlighted = positions;
    return true;
}

bool ProgramSearch::matchDescription(const Entry& entry, const QVector<QString>& words) {
    if (entry.description.isEmpty()) return false;
    for (const QString& word : words) {
        const bool found = std::any_of(entry.descriptionWordStarts.begin(), entry.descriptionWordStarts.end(),
                                       [&](int start) { return QStringView(entry.description).mid(start).startsWith(word); });
        if (!found) return false;
    }
    return true;
}

std::vector<ProgramSearch::Match> ProgramSearch::find(const QString& query) const {
    std::vector<Match> matches;
    const QString folded = fold(query).simplified();
    if (folded.isEmpty()) return matches;
    QVector<QString> words;
    for (const QString& word : folded.split(QLatin1Char(' '), Qt::SkipEmptyParts)) words.append(word);

    for (int i = 0; i < static_cast<int>(entries_.size()); ++i) {
        Match match;
        match.entry = i;
        if (!matchName(entries_[i], folded, match)) {
            if (!matchDescription(entries_[i], words)) continue;
            match = Match{i, Tier::Description, 0, {}};
        }
        matches.push_back(std::move(match));
    }
    std::stable_sort(matches.begin(), matches.end(), [](const Match& a, const Match& b) {
        if (a.tier != b.tier) return a.tier < b.tier;
        return a.spread < b.spread;
    });
    return matches;
}

}  // namespace portico
