// The notes program in a real terminal: `jotta` runs in a tmux session of
// 100 x 30 cells on a fresh handheld; a test types keys and reads back what
// the screen shows.
#pragma once

#include "platform/ui/terminal_session.h"
#include "support/machine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>

namespace terminaltest {

class TerminalJottaTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!terminaltest::TmuxInstalled())
            GTEST_SKIP() << "tmux is not installed (scripts/install-deps.sh installs it)";
        ceutil = testsupport::BuiltProgram("tools/ceutil/ceutil");
        // No 7-second sponsor banner on this start.
        ASSERT_TRUE(terminaltest::Shell(
            ceutil + " --handheld " + terminaltest::Quoted(machines.handheld()) +
            " reg set HKCU 'Software\\Jotterwick\\Quillmarks\\Common' BannerCount"
            " --dword 2"));
        session = std::make_unique<terminaltest::TmuxSession>(
            "jotta", "env -u JOTTERWICK_HEADLESS JOTTERWICK_HANDHELD=" +
                         terminaltest::Quoted(machines.handheld()) + " " +
                         terminaltest::Quoted(testsupport::BuiltProgram("device/app/jotta")));
        ASSERT_TRUE(session->started());
        // Up once the command bar and the status line show.
        ASSERT_TRUE(testsupport::WaitFor([&] {
            const std::string screen = Screen();
            return screen.find("[New]") != std::string::npos &&
                   screen.find("F10 menu") != std::string::npos;
        })) << Screen();
    }

    std::string Screen() { return session->Screen(); }
    std::string Line(int row) { return session->Line(row); }
    // The list's part of a line and the editor's, split at the divider between
    // the two panes, without the blanks around them.
    std::pair<std::string, std::string> Panes(int row) {
        const std::string line = Line(row);
        const std::size_t divider = line.find(kDivider);
        if (divider == std::string::npos)
            return {line, ""};
        const auto trimmed = [](std::string s) {
            s.erase(s.find_last_not_of(' ') + 1);
            s.erase(0, s.find_first_not_of(' '));
            return s;
        };
        return {trimmed(line.substr(0, divider)),
                trimmed(line.substr(divider + std::strlen(kDivider)))};
    }
    static constexpr char kDivider[] = "\u2502"; // the box-drawing line tmux shows
    std::string ListLine(int row) { return Panes(row).first; }
    std::string Editor() { return Panes(1).second; }
    bool WaitForScreen(const std::string& text) { return session->WaitForScreen(text); }
    bool WaitForNoScreen(const std::string& text) { return session->WaitForNoScreen(text); }
    bool WaitForLine(int row, const std::string& start) {
        return testsupport::WaitFor([&] { return Line(row).rfind(start, 0) == 0; });
    }
    void Keys(const std::string& keys) { ASSERT_TRUE(session->Keys(keys)); }
    void Type(const std::string& text) { ASSERT_TRUE(session->Type(text)); }
    // A press and release of the left button at a cell, as a terminal reports
    // them (X10 mouse encoding: button, column and row, each offset by 32).
    void Tap(int row, int col) {
        const auto code = [](int n) { return std::string(1, static_cast<char>(33 + n)); };
        Type("\x1b[M " + code(col) + code(row));
        Type("\x1b[M#" + code(col) + code(row));
    }
    // Types and saves a note of each title, each waited for in the list.
    void MakeNotes(std::initializer_list<const char*> titles) {
        int made = 0;
        for (const char* title : titles) {
            ++made;
            Keys("C-n");
            Type(title);
            Keys("C-s");
            ASSERT_TRUE(testsupport::WaitFor([&] {
                for (int row = 1; row <= made; ++row)
                    if (ListLine(row) == title)
                        return true;
                return false;
            })) << Screen();
        }
    }
    // Saves a note "Groceries", types " and bread" into it and asks for a new
    // note: the "Save changes?" box is up when this returns.
    void AskToSaveAnEditedNote() {
        Keys("C-n");
        Type("Groceries");
        Keys("C-s");
        ASSERT_TRUE(WaitForLine(1, "Groceries")) << Screen();
        Type(" and bread");
        Keys("C-n");
        ASSERT_TRUE(WaitForScreen("Save changes?")) << Screen();
    }
    std::string Dump() {
        return terminaltest::Shell(ceutil + " --handheld " +
                                   terminaltest::Quoted(machines.handheld()) +
                                   " dump 'Jotterwick Database'")
            .value_or("");
    }

    testsupport::TempMachines machines;
    std::string ceutil;
    std::unique_ptr<terminaltest::TmuxSession> session;
};

} // namespace terminaltest
