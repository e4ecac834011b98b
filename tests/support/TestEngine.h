#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>

namespace portico::test {

// Where a test's catalogue lives. A test on a catalogue is a TEST_P of a fixture
// taking this parameter, and its suite is instantiated under the engine's name
// (File/..., Server/...): the CTest entries select by that name, and all Server/
// tests run in one process, so one throwaway server serves them.
enum class TestEngine { File, Server };

inline void PrintTo(TestEngine engine, std::ostream* out) { *out << (engine == TestEngine::File ? "File" : "Server"); }

// The engine of the running test, as its fixture is made. A TEST_F on an engine
// fixture names no engine, and an instantiation named after another engine would
// be selected for the wrong run: both fail.
inline TestEngine runningEngine() {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    if (!test || !test->value_param()) {
        ADD_FAILURE() << "a test on a catalogue is a TEST_P instantiated by PORTICO_ON_FILE or PORTICO_ON_SERVER";
        return TestEngine::File;
    }
    const TestEngine engine = ::testing::WithParamInterface<TestEngine>::GetParam();
    const std::string name = engine == TestEngine::File ? "File" : "Server";
    if (!std::string_view(test->test_suite_name()).starts_with(name + "/"))
        ADD_FAILURE() << test->test_suite_name() << " runs on " << name << ", so its instantiation is named " << name;
    return engine;
}

}  // namespace portico::test

// The instantiation's name is the engine, so the two cannot disagree.
#define PORTICO_ON_FILE(suite) \
    INSTANTIATE_TEST_SUITE_P(File, suite, ::testing::Values(::portico::test::TestEngine::File))
#define PORTICO_ON_SERVER(suite) \
    INSTANTIATE_TEST_SUITE_P(Server, suite, ::testing::Values(::portico::test::TestEngine::Server))
#define PORTICO_ON_FILE_AND_SERVER(suite) \
    PORTICO_ON_FILE(suite);               \
    PORTICO_ON_SERVER(suite)
