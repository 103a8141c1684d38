#include <gtest/gtest.h>

#include "DialogAnswerer.h"
#include "EngineTestSupport.h"
#include "Project.h"
#include "TempFolder.h"
#include "TimelineOperations.h"

namespace {

class RecordingHost final : public ProjectHost {
 public:
  HWND ProjectWindow() override { return nullptr; }
  HWND MessageOwner() override { return nullptr; }
  void ShowTitle(const wchar_t* text) override { title = text; }
  void ShowModifiedMark(bool modified) override { mark = modified; }
  void TimelineReplaced(bool) override { ++refreshes; }

  std::wstring title = L"Morvik";
  bool mark = false;
  int refreshes = 0;
};

class ProjectTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    project.SetTimeline(timeline.Get());
  }
  long Groups() {
    long count = -1;
    timeline->GetGroupCount(&count);
    return count;
  }

  TempFolder folder;
  RecordingHost host;
  Project project{host};
};

// Saving with its dialog, the extension and the title, and a file that is
// no project, are driven end to end; here the states in between.
TEST_F(ProjectTest, TheQuestionOnlyWhileModifiedAndFailuresKeepTheState) {
  ASSERT_EQ(0, project.New());
  {
    DialogAnswerer answerer({{IDOK, folder.File(L"first")}});  // never saved: Save asks for a name
    ASSERT_EQ(0, project.Save(false));
  }
  const std::wstring file = project.Path();
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(file.c_str()));
  project.MarkModified();
  EXPECT_TRUE(host.mark);
  {
    DialogAnswerer answerer({{IDCANCEL, L""}});
    EXPECT_EQ(0, project.New());  // Cancel keeps everything
    EXPECT_EQ(1u, answerer.Boxes().size());
  }
  EXPECT_TRUE(project.Modified());
  EXPECT_EQ(file, project.Path());
  {
    DialogAnswerer answerer({{IDNO, L""}});
    ASSERT_EQ(0, project.Open(file.c_str()));
  }
  EXPECT_FALSE(project.Modified() || host.mark);
  EXPECT_EQ(2, Groups());
  {
    DialogAnswerer answerer({});  // not modified: no question
    EXPECT_EQ(0, project.New());
  }
  EXPECT_EQ(L"", std::wstring(project.Path()));

  // A file that is no project leaves an unnamed project, so a plain save
  // cannot overwrite the last good file with it.
  ASSERT_TRUE(WriteWholeFile(folder.File(L"bad.mvp"), "not a project"));
  {
    DialogAnswerer answerer({{IDOK, L""}});
    EXPECT_EQ(-1, project.Open(folder.File(L"bad.mvp").c_str()));
  }
  EXPECT_EQ(L"", std::wstring(project.Path()));

  // A save that cannot be written keeps the title, the path and the flag.
  CreateDirectoryW(folder.File(L"sub").c_str(), nullptr);
  std::wstring inSub = folder.File(L"sub\\x.mvp");
  {
    DialogAnswerer answerer({{IDOK, inSub}});
    ASSERT_EQ(0, project.Save(true));
  }
  ASSERT_TRUE(MoveFileW(folder.File(L"sub").c_str(), folder.File(L"gone").c_str()));
  project.MarkModified();
  std::wstring title = host.title;
  {
    DialogAnswerer answerer({{IDOK, L""}});
    EXPECT_EQ(-1, project.Save(false));
    ASSERT_EQ(1u, answerer.Boxes().size());
    EXPECT_EQ(0u, answerer.Boxes()[0].text.find(inSub + L"\n"));
  }
  EXPECT_TRUE(project.Modified());
  EXPECT_EQ(inSub, project.Path());
  EXPECT_EQ(title, host.title);

  // Open, then cancel the dialog: nothing changes, not even the flag.
  {
    DialogAnswerer answerer({{IDNO, L""}, {IDCANCEL, L""}});
    EXPECT_EQ(1, project.Open(nullptr));
  }
  EXPECT_TRUE(project.Modified());
}

}  // namespace
