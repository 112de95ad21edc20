#pragma once
// A main window under test: plug-ins chosen per test (copied into SPI\ below a private
// working directory), a private picture folder, no settings file or undo journal left behind.
#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "mainwnd/ViewerDlg.h"
#include "tests/win/support/TestSupport.h"

namespace test {

// The path of a built test plug-in variant (tpi, jpg, tif, ...).
std::string TestPluginPath(const std::string& variant);

class ViewerFixture : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Copies test plug-in variants into SPI\ below the working directory, in this order,
    // as <variant>.SPI (.SPH in the 64-bit tree), or under the given file name when the item
    // is "variant=name".
    void UsePlugins(std::initializer_list<std::string> variants);
    // Copies the shipped plug-ins (dist\SPI) instead.
    void UseShippedPlugins();

    // Runs `body` inside the running main window's modal loop, then closes it.
    void WithViewer(const std::function<void(CViewerDlg&)>& body);

    // A file in the picture folder (a sub-path may name folders, which are made).
    std::string Pic(const std::string& name) const { return m_pics / name; }
    void WriteBmp(const std::string& name, int width, int height, uint32_t rgb) const;
    void WriteTpi(const std::string& name, int width, int height, uint32_t rgb) const;
    void Touch(const std::string& name) const;

    static std::vector<std::string> Entries(const CViewerDlg& dlg);
    // What each entry is: -1 for a directory, 0 for a BMP file, else the plug-in that decodes it.
    static std::vector<LRESULT> Decoders(const CViewerDlg& dlg);

    std::string m_previousDir;
    TempDir m_work{"work"};
    TempDir m_pics{"pics"};
};

}  // namespace test
