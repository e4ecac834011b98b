#include "views/ProgramSearch.h"

#include <gtest/gtest.h>

#include <vector>

using portico::ProgramSearch;
using Tier = ProgramSearch::Tier;

namespace {

// Names of the matches, best first.
std::vector<QString> names(const ProgramSearch& search, const std::vector<QString>& all, const QString& query) {
    std::vector<QString> found;
    for (const auto& match : search.find(query)) found.push_back(all[match.entry]);
    return found;
}

ProgramSearch searchOver(const std::vector<QString>& all) {
    ProgramSearch search;
    for (const QString& name : all) search.add(name);
    return search;
}

}  // namespace

TEST(ProgramSearchTest, FoldingIgnoresCaseAndAccentsAcrossScripts) {
    EXPECT_EQ(ProgramSearch::fold(QStringLiteral("Café")), QStringLiteral("cafe"));
    EXPECT_EQ(ProgramSearch::fold(QStringLiteral("ÄRGER ärger")), QStringLiteral("arger arger"));
    EXPECT_EQ(ProgramSearch::fold(QStringLiteral("Straße")), QStringLiteral("strasse"));
    EXPECT_EQ(ProgramSearch::fold(QStringLiteral("ΣΟΦΊΑ")), QStringLiteral("σοφια"));
    // Each folded character remembers where it came from, so highlights land on
    // the original text even when folding changes lengths.
    QVector<int> origins;
    EXPECT_EQ(ProgramSearch::fold(QStringLiteral("aßb"), &origins), QStringLiteral("assb"));
    EXPECT_EQ(origins, (QVector<int>{0, 1, 1, 2}));
}

TEST(ProgramSearchTest, RanksWholeNameThenPrefixThenWordStartThenInsideThenSubsequence) {
    const std::vector<QString> all = {
        QStringLiteral("Xclock Helper"),  // inside a word, early
        QStringLiteral("A Clock"),        // word start
        QStringLiteral("Clock"),          // whole name
        QStringLiteral("Analogclock"),    // inside a word
        QStringLiteral("Calc Lock"),      // subsequence only
        QStringLiteral("Editor"),
    };
    const ProgramSearch search = searchOver(all);
    EXPECT_EQ(names(search, all, QStringLiteral("clock")),
              (std::vector<QString>{QStringLiteral("Clock"), QStringLiteral("A Clock"), QStringLiteral("Xclock Helper"),
                                    QStringLiteral("Analogclock"), QStringLiteral("Calc Lock")}));
}

TEST(ProgramSearchTest, TierOrderAndTiesKeepListOrder) {
    const std::vector<QString> all = {QStringLiteral("X Clock"), QStringLiteral("Clockwork"), QStringLiteral("clock tower"),
                                      QStringLiteral("Alarm Clock")};
    const ProgramSearch search = searchOver(all);
    const auto matches = search.find(QStringLiteral("CLOCK"));
    ASSERT_EQ(matches.size(), 4u);
    EXPECT_EQ(matches[0].tier, Tier::Prefix);
    EXPECT_EQ(all[matches[0].entry], QStringLiteral("Clockwork"));  // ties keep the list's order
    EXPECT_EQ(all[matches[1].entry], QStringLiteral("clock tower"));
    EXPECT_EQ(matches[2].tier, Tier::WordStart);
    EXPECT_EQ(all[matches[2].entry], QStringLiteral("X Clock"));  // the earlier word start first
    EXPECT_EQ(all[matches[3].entry], QStringLiteral("Alarm Clock"));
}

TEST(ProgramSearchTest, SubsequenceFindsAbbreviationsAndHighlightsTheLetters) {
    const std::vector<QString> all = {QStringLiteral("X Clock"), QStringLiteral("Xterm")};
    const ProgramSearch search = searchOver(all);
    const auto matches = search.find(QStringLiteral("xclk"));
    ASSERT_EQ(matches.size(), 1u);
    EXPECT_EQ(matches[0].tier, Tier::Subsequence);
    EXPECT_EQ(search.highlighted(matches[0].entry, QStringLiteral("xclk")), (QVector<int>{0, 2, 3, 6}));
    EXPECT_TRUE(search.find(QStringLiteral("xz")).empty());
}

TEST(ProgramSearchTest, AccentInsensitiveBothWaysWithHighlightsOnTheOriginal) {
    const std::vector<QString> all = {QStringLiteral("Café Manager"), QStringLiteral("Cafeteria")};
    const ProgramSearch search = searchOver(all);
    EXPECT_EQ(names(search, all, QStringLiteral("cafe")), (std::vector<QString>{QStringLiteral("Café Manager"), QStringLiteral("Cafeteria")}));
    const auto matches = search.find(QStringLiteral("CAFÉ"));
    ASSERT_EQ(matches.size(), 2u);
    EXPECT_EQ(search.highlighted(matches[0].entry, QStringLiteral("CAFÉ")), (QVector<int>{0, 1, 2, 3}));
    // A decomposed "é" in the name (e + combining acute) highlights the base letter.
    ProgramSearch decomposed;
    decomposed.add(QStringLiteral("Cafe\u0301"));
    const auto found = decomposed.find(QStringLiteral("café"));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].tier, Tier::Exact);
    EXPECT_EQ(decomposed.highlighted(0, QStringLiteral("café")), (QVector<int>{0, 1, 2, 3}));
    // A folding that grows ("ß" to "ss") highlights the one original character.
    ProgramSearch sharp;
    sharp.add(QStringLiteral("Große Uhr"));
    EXPECT_EQ(sharp.highlighted(0, QStringLiteral("grosse")), (QVector<int>{0, 1, 2, 3, 4}));
}

TEST(ProgramSearchTest, DescriptionWordsMatchAfterEveryNameMatch) {
    ProgramSearch search;
    search.add(QStringLiteral("Gimp"), QStringLiteral("GNU Image Manipulation Program"));
    search.add(QStringLiteral("Image Viewer"), QStringLiteral("Shows pictures"));
    search.add(QStringLiteral("Editor"), QStringLiteral("Edits text files"));
    const auto matches = search.find(QStringLiteral("image"));
    ASSERT_EQ(matches.size(), 2u);
    EXPECT_EQ(matches[0].entry, 1);
    EXPECT_EQ(matches[1].entry, 0);
    EXPECT_EQ(matches[1].tier, Tier::Description);
    EXPECT_TRUE(search.highlighted(matches[1].entry, QStringLiteral("image")).isEmpty());
    // Every word of the query must start a word of the description.
    EXPECT_EQ(search.find(QStringLiteral("text edit")).size(), 1u);
    EXPECT_TRUE(search.find(QStringLiteral("ext")).empty()) << "description words match from their start only";
}

TEST(ProgramSearchTest, BlankQueriesAndEmptyEntriesMatchNothing) {
    ProgramSearch search;
    search.add(QString());
    search.add(QStringLiteral("Clock"));
    EXPECT_TRUE(search.find(QString()).empty());
    EXPECT_TRUE(search.find(QStringLiteral("   ")).empty());
    EXPECT_EQ(search.find(QStringLiteral(" clo ")).size(), 1u);
    search.clear();
    EXPECT_EQ(search.size(), 0);
    EXPECT_TRUE(search.find(QStringLiteral("clock")).empty());
}

TEST(ProgramSearchTest, RefiningKeystrokeByKeystrokeFindsWhatAFreshSearchFinds) {
    ProgramSearch search;
    const std::vector<QString> all = {QStringLiteral("X Clock"), QStringLiteral("Calculator"), QStringLiteral("Clockwork"),
                                      QStringLiteral("Café"), QStringLiteral("Cal Lock")};
    for (const QString& name : all) search.add(name, QStringLiteral("counts lots of clocks"));
    auto entries = [](const std::vector<ProgramSearch::Match>& matches) {
        std::vector<int> result;
        for (const auto& match : matches) result.push_back(match.entry);
        return result;
    };
    // Typed, corrected, retyped and a new word: every step agrees with find().
    for (const char* typed : {"c", "cl", "clo", "cloc", "clock", "cloc", "cl", "cal", "cal ", "cal l", "x", "", "c"}) {
        const QString query = QString::fromUtf8(typed);
        EXPECT_EQ(entries(search.refine(query)), entries(search.find(query))) << typed;
    }
}
