// Files changed by other programs, and conditional breakpoints from the
// gutter's menu, with real windows.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "debugger_window/editor/file_change_check.h"
#include "editor_fixture.h"
#include "foundation/messages.h"

namespace zelk::window::testing {
namespace {

using Lines = std::vector<std::u16string>;

// Another program writes the file: its time moves on by seconds.
void WriteLater(const std::u16string& path, const std::string& bytes, int seconds = 2) {
  const std::filesystem::path p(path);
  const auto before = std::filesystem::last_write_time(p);
  FILE* f = _wfopen(reinterpret_cast<const wchar_t*>(path.c_str()), L"wb");
  ASSERT_NE(nullptr, f);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  std::filesystem::last_write_time(p, before + std::chrono::seconds(seconds));
}

std::u16string TextOf(HWND window) {
  return window ? WindowText(window) : u"";
}

// Runs act on a helper thread while the main thread is inside call (which
// shows modal windows); act gets up to 4 s to find what it looks for.
void WhileModal(const std::function<void()>& call, const std::function<bool()>& act) {
  std::atomic<bool> done{false};
  std::thread helper([&] {
    for (int attempt = 0; attempt < 200 && !done; ++attempt) {
      if (act()) return;
      Sleep(20);
    }
  });
  call();
  done = true;
  helper.join();
}

HWND VisibleDialog(const wchar_t* caption) {
  HWND dialog = FindWindowW(L"#32770", caption);
  return dialog && IsWindowVisible(dialog) ? dialog : nullptr;
}

// The text of a message box's message.
std::u16string MessageOf(HWND box) {
  return TextOf(GetDlgItem(box, 0xFFFF));
}

class FileChangeTest : public EditorTest {
 protected:
  // Opens the files as the main window would: one editor per file.
  std::vector<SourceEditor*> Open() {
    tabs_.clear();
    std::vector<SourceEditor*> editors;
    for (const std::u16string& path : paths_) {
      tabs_.push_back(SourceEditor::Create(host_));
      tabs_.back()->LoadFile(path);
      editors.push_back(tabs_.back().get());
    }
    ++opened_;
    return editors;
  }
  std::vector<SourceEditor*> Editors() {
    std::vector<SourceEditor*> editors;
    for (auto& tab : tabs_) editors.push_back(tab.get());
    return editors;
  }

  std::vector<std::u16string> paths_;
  std::vector<std::unique_ptr<SourceEditor>> tabs_;
  int opened_ = 0;
};

TEST_F(FileChangeTest, AFileWrittenElsewhereIsNoticedOnceAndTheEditorsOwnSaveNever) {
  const std::u16string path = WriteFile(u"watched.zls", "x = 1\r\n");
  ASSERT_TRUE(editor_->LoadFile(path));
  EXPECT_FALSE(editor_->TakeDiskChange());
  WriteLater(path, "x = 2\r\n");
  EXPECT_TRUE(editor_->TakeDiskChange());
  EXPECT_FALSE(editor_->TakeDiskChange()) << "one change is reported once";

  SendMessageW(editor_->TextWindow(), EM_SETSEL, 5, 5);
  PostMessageW(editor_->TextWindow(), WM_CHAR, u'0', 0);
  Pump();
  ASSERT_FALSE(editor_->SaveFile(u"", false));
  EXPECT_FALSE(editor_->TakeDiskChange()) << "the editor's own save";
  EXPECT_FALSE(editor_->SaveFile((folder_ / "copy.zls$$$").u16string(), false));
  EXPECT_FALSE(editor_->TakeDiskChange()) << "a copy elsewhere";

  EXPECT_FALSE(editor_->LoadFile(u""));
  EXPECT_FALSE(editor_->TakeDiskChange()) << "no file";
}

TEST_F(FileChangeTest, ReloadsWithABalloonAndBreakpointsFindTheirLines) {
  paths_ = {WriteFile(u"main.zls",
                      Utf8({u"x = 1", u"FUNCTION F()", u"  PRINT 1", u"  PRINT 2", u"FEND"})),
            WriteFile(u"inc.zls", Utf8({u"a = 1", u"b = 2"}))};
  Open();
  ASSERT_TRUE(tabs_[0]->SetBreakpointCondition(2, u"x > 1"));
  tabs_[0]->ToggleBreakpoint(3);
  tabs_[1]->ToggleBreakpoint(1);
  EXPECT_FALSE(CheckChangedFiles(host_, Editors(), 300, [&] { return Open(); }));
  EXPECT_EQ(1, opened_) << "nothing changed";

  WriteLater(paths_[0],
             Utf8({u"y = 0", u"x = 1", u"FUNCTION F()", u"  PRINT 1", u"  PRINT 22", u"FEND"}));
  std::u16string balloon;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(CheckChangedFiles(host_, Editors(), 300, [&] {
    balloon = TextOf(FindWindowW(kFileBalloonClass, nullptr));
    return Open();
  }));
  const auto shown = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(2, opened_);
  EXPECT_EQ(u"ZELK Debugger\r" + tabs_[0]->FilePath() + u"\rFile was updated", balloon);
  EXPECT_GE(shown, std::chrono::milliseconds(290)) << "the balloon stays its time";
  EXPECT_EQ(nullptr, FindWindowW(kFileBalloonClass, nullptr)) << "and is gone after";

  EXPECT_EQ((std::vector<bool>{false, false, false, true, false, false}),
            tabs_[0]->BreakpointMarks())
      << "the changed line lost its breakpoint";
  EXPECT_EQ(u"x > 1", tabs_[0]->BreakpointCondition(3));
  EXPECT_EQ((std::vector<bool>{false, true}), tabs_[1]->BreakpointMarks());
  EXPECT_FALSE(tabs_[0]->IsModified());
  EXPECT_FALSE(CheckChangedFiles(host_, Editors(), 300, [&] { return Open(); }));

  // No balloon time, no balloon.
  WriteLater(paths_[1], Utf8({u"a = 1"}), 4);
  EXPECT_TRUE(CheckChangedFiles(host_, Editors(), 0, [&] {
    balloon = TextOf(FindWindowW(kFileBalloonClass, nullptr));
    return Open();
  }));
  EXPECT_EQ(u"", balloon);
}

TEST_F(FileChangeTest, UnsavedEditsAskFirstAndADeclinedChangeIsNotAskedAgain) {
  paths_ = {WriteFile(u"main.zls", Utf8({u"x = 1"}))};
  Open();
  SendMessageW(tabs_[0]->TextWindow(), EM_SETSEL, 0, 0);
  PostMessageW(tabs_[0]->TextWindow(), WM_CHAR, u'y', 0);
  Pump();
  ASSERT_TRUE(tabs_[0]->IsModified());
  WriteLater(paths_[0], Utf8({u"x = 2"}));

  auto answer = [](int button, std::u16string* asked) {
    return [button, asked] {
      HWND box = VisibleDialog(L"ZELK Debugger");
      if (!box) return false;
      *asked = MessageOf(box);
      PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(button), 0);
      return true;
    };
  };
  std::u16string asked;
  bool reopened = true;
  WhileModal([&] { reopened = CheckChangedFiles(host_, Editors(), 300, [&] { return Open(); }); },
             answer(IDCANCEL, &asked));
  EXPECT_FALSE(reopened);
  EXPECT_EQ(u"File has been updated in the external.\rAre you sure you want to update?", asked);
  EXPECT_EQ(1, opened_);
  EXPECT_TRUE(tabs_[0]->IsModified()) << "the edits stay";

  asked.clear();
  WhileModal([&] { reopened = CheckChangedFiles(host_, Editors(), 300, [&] { return Open(); }); },
             answer(IDOK, &asked));
  EXPECT_FALSE(reopened);
  EXPECT_EQ(u"", asked) << "the same change is not asked about again";

  WriteLater(paths_[0], Utf8({u"x = 3"}), 4);
  WhileModal([&] { reopened = CheckChangedFiles(host_, Editors(), 300, [&] { return Open(); }); },
             answer(IDOK, &asked));
  EXPECT_TRUE(reopened);
  EXPECT_EQ(2, opened_);
  EXPECT_EQ(Lines{u"x = 3"}, tabs_[0]->Lines());
}

TEST_F(EditorTest, TheGuttersMenuSetsAConditionOnALineThatCanHoldABreakpoint) {
  ASSERT_TRUE(editor_->LoadFile(WriteFile(u"cond.zls", Utf8({u"// note", u"x = 1", u"y = 2"}))));
  int changes = 0;
  editor_->OnBreakpointsChanged([&] { ++changes; });
  HWND gutter = editor_->GutterWindow();
  const int lineHeight = editor_->LineHeight();
  auto rowPoint = [&](int row) {
    POINT p{4, row * lineHeight + lineHeight / 2};
    ClientToScreen(gutter, &p);
    return p;
  };
  // Opens the gutter's menu on a row; takes the item when it is enabled
  // and answers the dialog with text (Cancel when text is null).
  auto condition = [&](int row, const char16_t* text, std::u16string* item, std::u16string* shown) {
    const POINT at = rowPoint(row);
    std::atomic<int> stage{0};
    WhileModal(
        [&] {
          SendMessageW(gutter, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(gutter),
                       MAKELPARAM(at.x, at.y));
        },
        [&] {
          if (stage == 0) {
            HWND menu = FindWindowW(L"#32768", nullptr);
            if (!menu || !IsWindowVisible(menu)) return false;
            auto handle = reinterpret_cast<HMENU>(SendMessageW(menu, MN_GETHMENU, 0, 0));
            wchar_t caption[100] = {};
            GetMenuStringW(handle, 0, caption, 100, MF_BYPOSITION);
            const UINT state = GetMenuState(handle, 0, MF_BYPOSITION);
            *item = std::u16string(state & MF_GRAYED ? u"-" : u"") +
                    (state & MF_CHECKED ? u"+" : u"") + reinterpret_cast<const char16_t*>(caption);
            if (state & MF_GRAYED) {
              PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
              return true;
            }
            PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
            PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
            stage = 1;
            return false;
          }
          HWND dialog = VisibleDialog(L"Breakpoint Condition");
          if (!dialog) return false;
          *shown = TextOf(GetDlgItem(dialog, 100));
          if (text) SetWindowTextW(GetDlgItem(dialog, 100), reinterpret_cast<const wchar_t*>(text));
          PostMessageW(dialog, WM_COMMAND, text ? IDOK : IDCANCEL, 0);
          return true;
        });
    Pump();
  };
  std::u16string item, shown;
  condition(0, u"x > 0", &item, &shown);
  EXPECT_EQ(u"-Condition...", item) << "a comment line holds no breakpoint";
  EXPECT_FALSE(editor_->HasBreakpoint(0));

  condition(1, u"  x > 0 ", &item, &shown);
  EXPECT_EQ(u"Condition...", item);
  EXPECT_EQ(u"", shown);
  EXPECT_TRUE(editor_->HasBreakpoint(1)) << "a condition sets the breakpoint";
  EXPECT_EQ(u"x > 0", editor_->BreakpointCondition(1));
  EXPECT_EQ(1, changes);
  EXPECT_NE(std::u16string::npos, WindowText(gutter).find(u"breakpoints: 2; current: none"));
  EXPECT_NE(std::u16string::npos, WindowText(gutter).find(u"; conditions: 2"));
  const Snapshot shot(gutter);
  EXPECT_EQ(RGB(128, 0, 0), shot.At(1, lineHeight + lineHeight / 2)) << "the condition's bar";
  EXPECT_EQ(RGB(255, 0, 0), shot.At(shot.width() - 1, lineHeight + lineHeight / 2));

  condition(1, nullptr, &item, &shown);
  EXPECT_EQ(u"+Condition...", item) << "checked while it has one";
  EXPECT_EQ(u"x > 0", shown) << "the dialog shows the present condition";
  EXPECT_EQ(u"x > 0", editor_->BreakpointCondition(1)) << "Cancel keeps it";

  condition(1, u"", &item, &shown);
  EXPECT_TRUE(editor_->HasBreakpoint(1)) << "an empty condition keeps the breakpoint";
  EXPECT_EQ(u"", editor_->BreakpointCondition(1));
  EXPECT_EQ(std::u16string::npos, WindowText(gutter).find(u"conditions"));

  // A click removes the breakpoint and its condition together.
  ASSERT_TRUE(editor_->SetBreakpointCondition(2, u"y = 2"));
  editor_->ToggleBreakpoint(2);
  EXPECT_EQ(u"", editor_->BreakpointCondition(2));
  editor_->ToggleBreakpoint(2);
  EXPECT_EQ(u"", editor_->BreakpointCondition(2)) << "a new breakpoint has none";
  EXPECT_FALSE(editor_->SetBreakpointCondition(0, u"x")) << "a comment line";
  EXPECT_FALSE(editor_->SetBreakpointCondition(9, u"x")) << "below the last line";
}

TEST(FileChangeTexts, BothMessageSets) {
  EXPECT_EQ(u"ZELK Debugger\rC:\\A.ZLS\rFile was updated", FileUpdatedText(u"C:\\A.ZLS"));
  SetJapaneseMessages(true);
  EXPECT_EQ(u"外部にてファイルが更新されました。\r更新してもよろしいですか？", ReloadQuestion());
  EXPECT_EQ(u"ZELK Debugger\rC:\\A.ZLS\rファイルが更新されました", FileUpdatedText(u"C:\\A.ZLS"));
  SetJapaneseMessages(false);
  EXPECT_EQ(u"File has been updated in the external.\rAre you sure you want to update?",
            ReloadQuestion());
}

}  // namespace
}  // namespace zelk::window::testing
