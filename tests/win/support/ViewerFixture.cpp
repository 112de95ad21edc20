#include "tests/win/support/ViewerFixture.h"

#include "tests/data/BmpFiles.h"
#include "tests/data/TestPicture.h"

namespace test {

std::string TestPluginPath(const std::string& variant) {
    return BuildDir() + "\\testplugins\\" + variant + "." + kSpiPluginExtension;
}

void ViewerFixture::SetUp() {
    char dir[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, dir);
    m_previousDir = dir;
    ::DeleteFileA((ExeDir() + "Ixo.ini").c_str());
    ::DeleteFileA((ExeDir() + "IxoUndo.log").c_str());
    ASSERT_TRUE(::SetCurrentDirectoryA(m_work.Path().c_str()));
}

void ViewerFixture::TearDown() {
    ::SetCurrentDirectoryA(m_previousDir.c_str());
    ::DeleteFileA((ExeDir() + "Ixo.ini").c_str());
    ::DeleteFileA((ExeDir() + "IxoUndo.log").c_str());
}

void ViewerFixture::UsePlugins(std::initializer_list<std::string> variants) {
    MakeDir(m_work / "SPI");
    for (const std::string& item : variants) {
        const size_t eq = item.find('=');
        const std::string variant = item.substr(0, eq);
        const std::string name = eq == std::string::npos ? variant + "." + kSpiPluginExtension : item.substr(eq + 1);
        ASSERT_TRUE(::CopyFileA(TestPluginPath(variant).c_str(), (m_work / ("SPI\\" + name)).c_str(), FALSE))
            << variant;
    }
}

void ViewerFixture::UseShippedPlugins() {
    MakeDir(m_work / "SPI");
    const std::string dist = BuildDir() + "\\dist\\SPI";
    for (const std::string& name : ListNames(dist)) {
        ASSERT_TRUE(::CopyFileA((dist + "\\" + name).c_str(), (m_work / ("SPI\\" + name)).c_str(), FALSE));
    }
}

void ViewerFixture::WithViewer(const std::function<void(CViewerDlg&)>& body) {
    CViewerDlg dlg;
    ModalScript().Then([&](fw::CDialog&) { body(dlg); }).Run(dlg);
}

namespace {
void MakeParents(const std::string& root, const std::string& name) {
    for (size_t slash = name.find('\\'); slash != std::string::npos; slash = name.find('\\', slash + 1)) {
        MakeDir(root + "\\" + name.substr(0, slash));
    }
}
}  // namespace

void ViewerFixture::WriteBmp(const std::string& name, int width, int height, uint32_t rgb) const {
    MakeParents(m_pics.Path(), name);
    WriteFileBytes(Pic(name), testdata::MakeBmp24(width, height, [rgb](int, int) { return rgb; }));
}

void ViewerFixture::WriteTpi(const std::string& name, int width, int height, uint32_t rgb) const {
    MakeParents(m_pics.Path(), name);
    WriteFileBytes(Pic(name), MakeSolidTestPicture(width, height, rgb));
}

void ViewerFixture::Touch(const std::string& name) const {
    MakeParents(m_pics.Path(), name);
    WriteFileBytes(Pic(name), "");
}

std::vector<std::string> ViewerFixture::Entries(const CViewerDlg& dlg) {
    std::vector<std::string> entries;
    for (int i = 0; i < dlg.FileList().ListBox().GetCount(); ++i) {
        entries.push_back(dlg.FileList().ListBox().GetText(i));
    }
    return entries;
}

std::vector<LRESULT> ViewerFixture::Decoders(const CViewerDlg& dlg) {
    std::vector<LRESULT> data;
    for (int i = 0; i < dlg.Folder().Count(); ++i) {
        const ListEntry* entry = dlg.Folder().At(i);
        EXPECT_NE(entry, nullptr) << i;
        if (entry == nullptr) {
            continue;
        }
        data.push_back(entry->IsDirectory() ? -1 : reinterpret_cast<LRESULT>(entry->GetDecoder().plugin));
    }
    return data;
}

}  // namespace test
