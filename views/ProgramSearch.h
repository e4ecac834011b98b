#pragma once

#include <QString>
#include <QVector>

#include <vector>

namespace portico {

// Search-as-you-type over the launcher's items. Entries are folded once
// (Unicode case folding, accents dropped), so each keystroke only compares
// prepared text. Matches rank in tiers: the whole name, a name prefix, a word
// start in the name, anywhere in the name, a subsequence of the name ("xclk"
// in "X Clock"), then words of the description, then the executable's file
// name ("xclock" finds "X Clock"). Within a tier the entries the user launches
// most (setWeight) come first, then tighter matches; ties keep the entries' order.
class ProgramSearch {
public:
    enum class Tier { Exact, Prefix, WordStart, Substring, Subsequence, Description, Executable };

    struct Match {
        int entry = 0;              // index given by add()
        Tier tier = Tier::Exact;
        int spread = 0;             // within a tier, tighter matches (smaller) first
    };

    // Adds an entry and returns its index.
    int add(const QString& name, const QString& description = {}, const QString& executable = {});
    // How much the user uses an entry (0 by default); heavier ranks first within a tier.
    void setWeight(int entry, float weight);
    void clear();
    int size() const { return static_cast<int>(entries_.size()); }

    // Ranked matches of `query`; a blank query matches nothing.
    std::vector<Match> find(const QString& query) const;
    // As find(), for the next keystroke: when the query extends the previous
    // one, only the previous matches can still match, so only they are tried.
    std::vector<Match> refine(const QString& query);

    // The characters of the entry's name that `query` matched, as positions in
    // the original name, ascending; empty when it matched the description or not at all.
    // Worked out on demand: only the rows on screen need them.
    QVector<int> highlighted(int entry, const QString& query) const;

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
        QString executable;        // folded file name of the program
        float weight = 0;
    };
    std::vector<Entry> entries_;
    // The last refine(): its folded query and the entries it matched, ascending.
    QString lastQuery_;
    std::vector<int> lastEntries_;

    static QString prepared(const QString& query);
    template <typename Entries>
    std::vector<Match> search(const QString& folded, const Entries& candidates) const;
    static bool matchName(const Entry& entry, const QString& query, Match& match, QVector<int>* positions);
    static bool matchDescription(const Entry& entry, const QVector<QStringView>& words);
};

}  // namespace portico
