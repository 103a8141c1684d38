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

TEST_F(ProjectTest, SaveAsThenOpenAndTheQuestionOnlyWhileModified) {
  ASSERT_EQ(0, project.New());
  EXPECT_EQ(2, Groups());
  std::wstring file = folder.File(L"first");
  {
    // A project never saved asks for a name; the dialog adds the extension.
    DialogAnswerer answerer({{IDOK, file}});
    ASSERT_EQ(0, project.Save(false));
  }
  // The dialog adds the default extension (Wine's in lower case).
  std::wstring saved = project.Path();
  EXPECT_EQ(0, lstrcmpiW((file + L".MVP").c_str(), saved.c_str())) << saved;
  EXPECT_EQ(0, lstrcmpiW(L"Morvik - [first.MVP]", host.title.c_str())) << host.title;
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(saved.c_str()));

  project.MarkModified();
  EXPECT_TRUE(host.mark);
  {
    DialogAnswerer answerer({{IDCANCEL, L""}});
    EXPECT_EQ(0, project.New());  // Cancel keeps everything
    EXPECT_EQ(1u, answerer.Boxes().size());
  }
  EXPECT_TRUE(project.Modified());
  EXPECT_EQ(saved, project.Path());

  {
    DialogAnswerer answerer({{IDNO, L""}});
    ASSERT_EQ(0, project.Open(saved.c_str()));
  }
  EXPECT_FALSE(project.Modified());
  EXPECT_FALSE(host.mark);
  EXPECT_EQ(2, Groups());
  EXPECT_EQ(L"Morvik - [" + saved + L"]", host.title);  // a given path is its own title
  {
    DialogAnswerer answerer({});  // not modified: no question
    EXPECT_EQ(0, project.New());
  }
  EXPECT_EQ(L"", std::wstring(project.Path()));
}

TEST_F(ProjectTest, FailedOpenAndSaveKeepTheProjectState) {
  project.New();
  std::wstring saved = folder.File(L"kept.mvp");
  {
    DialogAnswerer answerer({{IDOK, saved}});
    ASSERT_EQ(0, project.Save(true));
  }
  std::wstring bad = folder.File(L"bad.mvp");
  HANDLE file = CreateFileW(bad.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written;
  WriteFile(file, "not a project", 13, &written, nullptr);
  CloseHandle(file);
  std::wstring title = host.title;
  {
    DialogAnswerer answerer({{IDOK, L""}});
    EXPECT_EQ(-1, project.Open(bad.c_str()));
    ASSERT_EQ(1u, answerer.Boxes().size());
    EXPECT_EQ(bad + L"\n\nInvalid file format", answerer.Boxes()[0].text);
  }
  // The timeline is empty and never half-loaded; the project is unnamed now,
  // so a plain save cannot overwrite the old file with it.
  EXPECT_EQ(0, Groups());
  EXPECT_EQ(L"Morvik", host.title);
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
  title = host.title;
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
