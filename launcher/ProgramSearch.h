#pragma once

#include <QString>
#include <QVector>

#include <vector>

namespace portico {

// Search-as-you-type over the launcher's items. Entries are folded once
// (Unicode case folding, accents dropped), so each keystroke only compares
// prepared text. Matches rank in tiers: the whole name, a name prefix, a word
// start in the name, anywhere in the name, a subsequence of the name ("xclk"
// in "X Clock"), then words of the description. Ties keep the entries' order.
class ProgramSearch {
public:
    enum class Tier { Exact, Prefix, WordStart, Substring, Subsequence, Description };

    struct Match {
        int entry = 0;              // index given by add()
        Tier tier = Tier::Exact;
        int spread = 0;             // within a tier, tighter matches (smaller) first
        QVector<int> highlighted;   // positions in the original name, ascending
    };

    // Adds an entry and returns its index.
    int add(const QString& name, const QString& description = {});
    void clear();
    int size() const { return static_cast<int>(entries_.size()); }

    // Ranked matches of `query`; a blank query matches nothing.
    std::vector<Match> find(const QString& query) const;

    // The search form of a text: case-folded, accents and other combining marks
    // dropped. `origins`, when given, receives for each folded character the
    // index of the original character it came from.
    static QString fold(const QString& text, QVector<int>* origins = nullptr);

private:
    struct Entry {
        QString name;              // folded
        QVector<int> nameOrigins;  // folded index -> original index
        QVector<int> nameWordStarts;
        QString description;       // folded
        QVector<int> descriptionWordStarts;
    };
    std::vector<Entry> entries_;

    bool matchName(const Entry& entry, const QString& query, Match& match) const;
    static bool matchDescription(const Entry& entry, const QVector<QString>& words);
};

}  // namespace portico
