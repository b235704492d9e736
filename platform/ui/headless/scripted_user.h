// The headless back end's user: answers prompts from a script of expected
// prompts and their answers, and reports every prompt it did not expect.
//
// In a test:
//     auto& user = ui::ScriptedUser::Instance();
//     user.SetProblemHandler([](const std::string& p) { ADD_FAILURE() << p; });
//     user.ExpectMessageBox(u"Quillmarks", u"Save changes?", IDYES);
//     ... code that asks ...
//     EXPECT_TRUE(user.AssertDone());   // every expectation met, nothing unexpected
//
// From another process, $JOTTERWICK_SCRIPT names a UTF-8 script file, read
// at each prompt, one expected prompt and its answer per line, fields separated by
// TAB (a field escapes TAB, CR, LF and backslash as \t \r \n \\; lines starting
// with # and empty lines are ignored):
//     box     CAPTION  TEXT  BUTTON          BUTTON: OK Cancel Abort Retry Ignore Yes No
//     open    TITLE    ok    FILE            or: open TITLE cancel
//     save    TITLE    ok    FILE            or: save TITLE cancel
//     dialog  CAPTION  BUTTON  ID=VALUE ...  BUTTON: a control id, OK or Cancel;
//                                            VALUE: an edit's text, 0/1 for a check box
//                                            or radio button, the item texts to select
//                                            (LF-separated) for a list or combo box
//     help    FILE     close                 the help viewer showing FILE, closed
// and $JOTTERWICK_PROMPT_LOG names a file to which every prompt shown is
// appended as a line of the same form with the answer given, so a test in
// another process can check what was asked. An unexpected prompt is logged with
// its kind prefixed by "!". Expectations are met in order. The script file is
// itself the queue: each answer takes its first line (under a lock), so every
// process given the script shares one script; what is left in it when
// the test ends was never asked. Expectations queued in memory (Expect...)
// come before the script's.
//
// Without a script, every prompt is unexpected: it is reported on stderr with
// its text and answered with Cancel where the prompt offers it, else with the
// message box's default button; a headless run never waits for a person.
// User-interface thread only.
#pragma once

#include "platform/base/windef.h"
#include "platform/ui/backend.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ui {

enum class PromptKind { MessageBox, OpenFile, SaveFile, Dialog, Help };

// One value the user puts into a dialog control before pressing a button.
struct DialogField {
    int controlId = 0;
    std::u16string value;
};

// An expected prompt with its answer.
struct Expectation {
    PromptKind kind = PromptKind::MessageBox;
    std::u16string caption; // message box caption, file dialog title, dialog caption or help file
    std::u16string text;    // message box text
    int button = 0;         // message box: IDOK ...; dialog: the id of the button pressed
    std::optional<std::u16string> fileName; // file dialog: the file chosen, nullopt = Cancel
    std::vector<DialogField> fields;        // dialog: values entered, in order
};

// One line of the script format for `expectation` (without the line end).
std::string FormatScriptLine(const Expectation& expectation);
// Parses one script line; nullopt with a reason in `error` when it does not fit.
std::optional<Expectation> ParseScriptLine(std::string_view line, std::string* error);

class ScriptedUser {
public:
    // The scripted user of this process.
    static ScriptedUser& Instance();

    void Expect(Expectation expectation);
    void ExpectMessageBox(std::u16string caption, std::u16string text, int button);
    // `fileName` nullopt: the user cancels.
    void ExpectOpenFile(std::u16string title, std::optional<std::u16string> fileName);
    void ExpectSaveFile(std::u16string title, std::optional<std::u16string> fileName);
    void ExpectDialog(std::u16string caption, std::vector<DialogField> fields, int button);
    // The help viewer opened on `helpFile` (the name as the program gives it);
    // the user closes it.
    void ExpectHelp(std::u16string helpFile);
    // Reads a script file (the format above). False, with the reasons reported
    // as problems, when a line does not fit; the lines that fit are queued.
    bool LoadScript(const std::string& path);

    // Answers, for the headless back end. Each logs the prompt; an unexpected
    // prompt or an answer the prompt cannot take is reported as a problem and
    // answered as described above.
    int AnswerMessageBox(const MessageBoxPrompt& prompt);
    std::optional<std::u16string> AnswerFileDialog(const FileDialogPrompt& prompt);
    // The help viewer on `helpFile`: the user reads and closes it.
    void AnswerHelp(const std::u16string& helpFile);
    // The expectation for a dialog of `caption`, or nullopt (reported) when
    // it was not expected; the caller applies it and calls LogDialog.
    std::optional<Expectation> TakeDialog(const std::u16string& caption);
    // Records how a dialog went: `pressed` the button id the user pressed
    // (IDCANCEL for an unexpected one).
    void LogDialog(const Expectation& answered, bool expected);
    // A problem met while applying an answer (e.g. a field id the dialog lacks).
    void ReportProblem(const std::string& problem);

    // Every problem so far, then one line per expectation still queued; empty
    // when all went as scripted. Clears both.
    std::string Finish();
    // True when every expectation was met and nothing unexpected happened.
    // Passes the expectations never met to the problem handler (problems went
    // there as they happened), then clears like Finish().
    bool AssertDone();
    // The expectations still queued (in memory and in the script file).
    std::size_t Pending();

    // Where problems go as they happen (default: stderr, prefixed "jotterwick:").
    // Null restores the default.
    void SetProblemHandler(std::function<void(const std::string&)> handler);
    // Every prompt shown in this process, in log-line form.
    const std::vector<std::string>& Shown() const { return m_shown; }

private:
    ScriptedUser();
    void Log(const std::string& line);
    std::optional<Expectation> TakeFront(PromptKind kind, const std::u16string& caption,
                                         const std::u16string& text);

    std::vector<Expectation> m_expected; // front = next expected
    std::vector<std::string> m_problems;
    std::vector<std::string> m_shown;
    std::function<void(const std::string&)> m_handler;
    // Runs `work` on the script file's lines under its lock; when work returns
    // true the lines are written back. False when the file cannot be used.
    bool WithScriptFile(const std::function<bool(std::vector<std::string>&)>& work);

    std::string m_logPath;
    std::string m_scriptPath; // $JOTTERWICK_SCRIPT: a queue shared with other readers
};

} // namespace ui
