// Entry point of the Wine test runners.
//
// All test files of a level are linked into one runner. The build places a link to it,
// named after each test file, in a folder of that test's own (tests/win/KeysTest/KeysTest.exe):
// started under such a name the runner runs the tests of that file only, so each file still
// has its own program name, folder and settings file beside the program. Under any other
// name (the runner itself) every test runs. --gtest_filter narrows either selection.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "framework/WideText.h"
#include "framework/WinApp.h"

// The application object of a test program: dialogs under test become its main window.
fw::CWinApp g_testApp;

namespace {

// "tests/win/KeysTest.cpp" -> "KeysTest".
std::string_view FileStem(std::string_view path) {
    const size_t slash = path.find_last_of("/\\");
    if (slash != std::string_view::npos) {
        path.remove_prefix(slash + 1);
    }
    return path.substr(0, path.find('.'));
}

// GoogleTest's wildcards: '*' any run of characters, '?' any one.
bool GlobMatches(std::string_view text, std::string_view pattern) {
    size_t t = 0, p = 0, starP = std::string_view::npos, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
            ++t;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starT = t;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

bool AnyMatches(std::string_view name, std::string_view patterns) {
    while (true) {
        const size_t colon = patterns.find(':');
        if (GlobMatches(name, patterns.substr(0, colon))) {
            return true;
        }
        if (colon == std::string_view::npos) {
            return false;
        }
        patterns.remove_prefix(colon + 1);
    }
}

// A --gtest_filter: positive patterns, then optionally '-' and negative ones.
bool FilterMatches(std::string_view name, std::string_view filter) {
    const size_t dash = filter.find('-');
    const std::string_view positive = filter.substr(0, dash);
    if (!positive.empty() && !AnyMatches(name, positive)) {
        return false;
    }
    return dash == std::string_view::npos || !AnyMatches(name, filter.substr(dash + 1));
}

// Narrows the filter to the tests defined in the file named like this program, when one is.
void SelectTestsOfThisProgram() {
    const std::string program = fw::Narrow932Lossy(fw::AppNameW());
    const testing::UnitTest& all = *testing::UnitTest::GetInstance();
    const std::string filter = GTEST_FLAG_GET(filter);
    std::string selected;
    bool fileFound = false;
    for (int s = 0; s < all.total_test_suite_count(); ++s) {
        const testing::TestSuite& suite = *all.GetTestSuite(s);
        for (int i = 0; i < suite.total_test_count(); ++i) {
            const testing::TestInfo& info = *suite.GetTestInfo(i);
            if (FileStem(info.file()) != program) {
                continue;
            }
            fileFound = true;
            const std::string name = std::string(info.test_suite_name()) + "." + info.name();
            if (FilterMatches(name, filter)) {
                selected += (selected.empty() ? "" : ":") + name;
            }
        }
    }
    if (fileFound) {
        GTEST_FLAG_SET(filter, selected.empty() ? std::string("-*") : selected);
    }
}

}  // namespace

int main(int argc, char** argv) {
    // A crash must fail the test, not wait for a person at a crash dialog.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    testing::InitGoogleTest(&argc, argv);
    SelectTestsOfThisProgram();
    return RUN_ALL_TESTS();
}
