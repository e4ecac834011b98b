#include "settings/SafeFile.h"
#include "tests/support/TempFolder.h"
#include "views/DisplayName.h"
#include "views/ProgramSearch.h"
#include "views/UsageHistory.h"

#include <gtest/gtest.h>

#include <vector>

using namespace portico;
using Tier = ProgramSearch::Tier;

TEST(UsageRankingTest, UseRanksWithinAKindOfMatchAndTheExecutableNameRanksLast) {
    ProgramSearch search;
    const std::vector<QString> names{"Calculator", "Clock", "X Logo", "Logout", "X Clock", "Terminal"};
    const std::vector<QString> paths{"/usr/bin/gnome-calculator", "/usr/bin/oclock", "/usr/bin/xlogo",
                                     "/usr/bin/logout", "/usr/bin/xclock", "/usr/bin/xterm"};
    for (std::size_t i = 0; i < names.size(); ++i) search.add(names[i], {}, paths[i]);
    search.setWeight(2, 3.0f);  // X Logo, launched often
    search.setWeight(1, 0.5f);
    const auto ranked = [&](const QString& query) {
        std::vector<std::pair<QString, Tier>> found;
        for (const auto& match : search.find(query)) found.emplace_back(names[match.entry], match.tier);
        return found;
    };
    using Found = std::vector<std::pair<QString, Tier>>;
    // "o" stands inside all three names; the used ones first, most used first.
    EXPECT_EQ(ranked("o"), (Found{{"X Logo", Tier::Substring}, {"Clock", Tier::Substring},
                                  {"Logout", Tier::Substring}, {"X Clock", Tier::Substring},
                                  {"Calculator", Tier::Substring}}));
    // A prefix still beats a better used weaker match.
    EXPECT_EQ(ranked("lo").front(), (std::pair<QString, Tier>{"Logout", Tier::Prefix}));
    // The executable's file name finds a program, after every name match.
    EXPECT_EQ(ranked("xcl"), (Found{{"X Clock", Tier::Subsequence}}));
    EXPECT_EQ(ranked("xterm"), (Found{{"Terminal", Tier::Executable}}));
    EXPECT_EQ(ranked("gnome"), (Found{{"Calculator", Tier::Executable}}));
}

TEST(UsageRankingTest, HistoryDecaysPersistsKeepsPinsAndSurvivesADamagedFile) {
    test::TempFolder folder;
    const auto file = folder / "state" / "portico" / "usage";
    const auto start = UsageHistory::Clock::now();
    const auto later = start + std::chrono::hours(24 * 14);
    {
        UsageHistory history(file);
        for (int i = 0; i < 4; ++i) history.recordLaunch("X Logo", start);
        history.recordLaunch("Name\twith\\odd\ncharacters", start);
        history.setPinned("Pinned B", true);
        history.setPinned("Pinned A", true);
    }
    UsageHistory history(file);
    EXPECT_DOUBLE_EQ(history.weight("X Logo", start), 4.0);
    EXPECT_NEAR(history.weight("X Logo", later), 2.0, 1e-9);  // halves in two weeks
    EXPECT_EQ(history.recentNames(5, start), (std::vector<std::string>{"X Logo", "Name\twith\\odd\ncharacters"}));
    EXPECT_EQ(history.pinnedNames(), (std::vector<std::string>{"Pinned B", "Pinned A"}));
    history.setPinned("Pinned B", false);
    EXPECT_EQ(UsageHistory(file).pinnedNames(), std::vector<std::string>{"Pinned A"});

    // Many programs: the file stays small.
    for (int i = 0; i < 1000; ++i) history.recordLaunch("Program " + std::to_string(i), start);
    EXPECT_LT(std::filesystem::file_size(file), 16u * 1024u);

    std::error_code error;
    ASSERT_TRUE(SafeFile::write(file, "portico-usage 1\nnan\t1\t0\tA\n5\t1\t0\tB\\q\n2\t1\t0\tGood\n1e300\t1\t0\tHuge\n", error));
    UsageHistory damaged(file);
    EXPECT_EQ(damaged.recentNames(10, start), std::vector<std::string>{"Good"});
}

TEST(UsageRankingTest, DirectionControlsCannotDisguiseAName) {
    const QString name = QStringLiteral("Echo \u202Egnp.exe");
    EXPECT_EQ(DisplayName::revealed(name), QStringLiteral("Echo [U+202E]gnp.exe"));
    const QString neutral = DisplayName::neutral(name);
    EXPECT_EQ(neutral.size(), name.size());
    EXPECT_FALSE(std::any_of(neutral.begin(), neutral.end(), [](QChar c) { return DisplayName::isDirectionControl(c.unicode()); }));
    EXPECT_EQ(DisplayName::isolated(QStringLiteral("xclock")), QStringLiteral("xclock"));
    EXPECT_EQ(DisplayName::isolated(QStringLiteral("עורך")), QStringLiteral("\u2068עורך\u2069"));
}
