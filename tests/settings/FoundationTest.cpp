#include "settings/MessageSink.h"
#include "settings/PorticoError.h"
#include "settings/ProgramFolder.h"
#include "tests/support/RecordingMessageSink.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace portico {
namespace {

TEST(Foundation, ErrorCarriesNumberDescriptionAndSource) {
    const PorticoError error(501112, "Invalid Number", "Portico.clsEnviroment");
    EXPECT_EQ(error.number(), 501112);
    EXPECT_EQ(error.description(), "Invalid Number");
    EXPECT_EQ(error.source(), "Portico.clsEnviroment");
    EXPECT_STREQ(error.what(), "501112, Invalid Number");
}

TEST(Foundation, RecorderInstallsAndRestoresTheSink) {
    MessageSink* before = &messageSink();
    {
        test::RecordingMessageSink recorder;
        messageSink().showMessage("text", "title", MessageIcon::Critical);
        ASSERT_EQ(recorder.messages.size(), 1u);
        EXPECT_EQ(recorder.messages[0], (test::RecordedMessage{"text", "title", MessageIcon::Critical}));
        {
            test::RecordingMessageSink inner;
            messageSink().showMessage("inner", "t", MessageIcon::Information);
            EXPECT_EQ(inner.messages.size(), 1u);
        }
        messageSink().showMessage("again", "t", MessageIcon::Question);
        EXPECT_EQ(recorder.messages.size(), 2u);
    }
    EXPECT_EQ(&messageSink(), before);
}

TEST(Foundation, ProgramFolderDefaultsToTheExecutableFolderAndCanBeOverridden) {
    const auto exeFolder = std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
    EXPECT_EQ(programFolder(), exeFolder);
    {
        test::TempFolder temp;
        test::ScopedProgramFolder scoped(temp.path());
        EXPECT_EQ(programFolder(), temp.str());
        setProgramFolder(temp.str() + "/");
        EXPECT_EQ(programFolder(), temp.str()) << "no trailing separator";
    }
    EXPECT_EQ(programFolder(), exeFolder);
}

}  // namespace
}  // namespace portico
