#include "platform/ui/headless/scripted_user.h"

#include "platform/base/unicode.h"
#include "platform/ui/escape.h"
#include "platform/ui/message_box.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace ui {

namespace {

const char* KindWord(PromptKind kind) {
    switch (kind) {
    case PromptKind::MessageBox:
        return "box";
    case PromptKind::OpenFile:
        return "open";
    case PromptKind::SaveFile:
        return "save";
    case PromptKind::Dialog:
        return "dialog";
    case PromptKind::Help:
        return "help";
    }
    return "?";
}

std::vector<std::string_view> SplitTabs(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const auto tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
        if (tab == std::string_view::npos)
            return fields;
        start = tab + 1;
    }
}

std::optional<int> ParseNumber(std::string_view text) {
    if (text.empty() || text.size() > 9)
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

bool IsScriptComment(const std::string& line) {
    return line.empty() || line.front() == '#';
}

std::string Quote(const std::u16string& text) {
    return "'" + EscapeField(text) + "'";
}

std::string Describe(PromptKind kind, const std::u16string& caption, const std::u16string& text) {
    std::string out = std::string(KindWord(kind)) + " " + Quote(caption);
    if (kind == PromptKind::MessageBox)
        out += ": " + Quote(text);
    return out;
}

bool HasCancel(UINT type) {
    const auto buttons = MessageBoxButtons(type);
    return std::find(buttons.begin(), buttons.end(), IDCANCEL) != buttons.end();
}

} // namespace

std::string FormatScriptLine(const Expectation& e) {
    std::string line = KindWord(e.kind);
    line += "\t" + EscapeField(e.caption);
    switch (e.kind) {
    case PromptKind::MessageBox:
        line += "\t" + EscapeField(e.text) + "\t" + EscapeField(ButtonName(e.button));
        break;
    case PromptKind::OpenFile:
    case PromptKind::SaveFile:
        line += e.fileName ? "\tok\t" + EscapeField(*e.fileName) : std::string("\tcancel");
        break;
    case PromptKind::Dialog:
        line += "\t" + (e.button == IDOK       ? std::string("OK")
                        : e.button == IDCANCEL ? std::string("Cancel")
                                               : std::to_string(e.button));
        for (const auto& field : e.fields)
            line += "\t" + std::to_string(field.controlId) + "=" + EscapeField(field.value);
        break;
    case PromptKind::Help:
        line += "\tclose";
        break;
    }
    return line;
}

std::optional<Expectation> ParseScriptLine(std::string_view line, std::string* error) {
    const auto fields = SplitTabs(line);
    auto fail = [&](const std::string& why) -> std::optional<Expectation> {
        if (error)
            *error = why + " in script line '" + std::string(line) + "'";
        return std::nullopt;
    };
    if (fields.size() < 2)
        return fail("missing caption");
    Expectation e;
    e.caption = UnescapeField(fields[1]);
    const std::string_view kind = fields[0];
    if (kind == "box") {
        if (fields.size() != 4)
            return fail("a box line has kind, caption, text and button");
        e.kind = PromptKind::MessageBox;
        e.text = UnescapeField(fields[2]);
        e.button = ButtonFromName(UnescapeField(fields[3]));
        if (e.button == 0)
            return fail("unknown button '" + std::string(fields[3]) + "'");
        return e;
    }
    if (kind == "open" || kind == "save") {
        e.kind = kind == "open" ? PromptKind::OpenFile : PromptKind::SaveFile;
        if (fields.size() == 3 && fields[2] == "cancel")
            return e;
        if (fields.size() == 4 && fields[2] == "ok" && !fields[3].empty()) {
            e.fileName = UnescapeField(fields[3]);
            return e;
        }
        return fail("a file line ends in 'cancel' or 'ok<TAB>FILE'");
    }
    if (kind == "dialog") {
        if (fields.size() < 3)
            return fail("a dialog line needs the button pressed");
        e.kind = PromptKind::Dialog;
        const auto number = ParseNumber(fields[2]);
        e.button = fields[2] == "OK" ? IDOK : fields[2] == "Cancel" ? IDCANCEL : number.value_or(0);
        if (e.button == 0)
            return fail("unknown button '" + std::string(fields[2]) + "'");
        for (std::size_t i = 3; i < fields.size(); ++i) {
            const auto equals = fields[i].find('=');
            const auto id = equals == std::string_view::npos
                                ? std::nullopt
                                : ParseNumber(fields[i].substr(0, equals));
            if (!id)
                return fail("a dialog field is ID=VALUE, not '" + std::string(fields[i]) + "'");
            e.fields.push_back({*id, UnescapeField(fields[i].substr(equals + 1))});
        }
        return e;
    }
    if (kind == "help") {
        if (fields.size() != 3 || fields[2] != "close")
            return fail("a help line is help<TAB>FILE<TAB>close");
        e.kind = PromptKind::Help;
        return e;
    }
    return fail("unknown prompt kind '" + std::string(kind) + "'");
}

ScriptedUser& ScriptedUser::Instance() {
    static ScriptedUser user;
    return user;
}

ScriptedUser::ScriptedUser() {
    if (const char* log = std::getenv("JOTTERWICK_PROMPT_LOG"))
        m_logPath = log;
    if (const char* script = std::getenv("JOTTERWICK_SCRIPT"); script && *script)
        m_scriptPath = script;
}

void ScriptedUser::Expect(Expectation expectation) {
    m_expected.push_back(std::move(expectation));
}

void ScriptedUser::ExpectMessageBox(std::u16string caption, std::u16string text, int button) {
    Expectation e;
    e.kind = PromptKind::MessageBox;
    e.caption = std::move(caption);
    e.text = std::move(text);
    e.button = button;
    Expect(std::move(e));
}

void ScriptedUser::ExpectOpenFile(std::u16string title, std::optional<std::u16string> fileName) {
    Expectation e;
    e.kind = PromptKind::OpenFile;
    e.caption = std::move(title);
    e.fileName = std::move(fileName);
    Expect(std::move(e));
}

void ScriptedUser::ExpectSaveFile(std::u16string title, std::optional<std::u16string> fileName) {
    Expectation e;
    e.kind = PromptKind::SaveFile;
    e.caption = std::move(title);
    e.fileName = std::move(fileName);
    Expect(std::move(e));
}

void ScriptedUser::ExpectDialog(std::u16string caption, std::vector<DialogField> fields,
                                int button) {
    Expectation e;
    e.kind = PromptKind::Dialog;
    e.caption = std::move(caption);
    e.fields = std::move(fields);
    e.button = button;
    Expect(std::move(e));
}

void ScriptedUser::ExpectHelp(std::u16string helpFile) {
    Expectation e;
    e.kind = PromptKind::Help;
    e.caption = std::move(helpFile);
    Expect(std::move(e));
}

bool ScriptedUser::LoadScript(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        ReportProblem("cannot read the script file '" + path + "'");
        return false;
    }
    bool allFit = true;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line.front() == '#')
            continue;
        std::string error;
        if (auto e = ParseScriptLine(line, &error)) {
            Expect(std::move(*e));
        } else {
            ReportProblem(error);
            allFit = false;
        }
    }
    return allFit;
}

std::optional<Expectation> ScriptedUser::TakeFront(PromptKind kind, const std::u16string& caption,
                                                   const std::u16string& text) {
    auto matches = [&](const Expectation& e) {
        return e.kind == kind && e.caption == caption &&
               (kind != PromptKind::MessageBox || e.text == text);
    };
    std::optional<Expectation> next;
    if (!m_expected.empty()) {
        next = m_expected.front();
        if (matches(*next)) {
            m_expected.erase(m_expected.begin());
            return next;
        }
    } else if (!m_scriptPath.empty()) {
        // The script file is the queue: take its first line when it fits.
        bool taken = false;
        WithScriptFile([&](std::vector<std::string>& lines) {
            while (!lines.empty()) {
                if (IsScriptComment(lines.front())) {
                    lines.erase(lines.begin());
                    continue;
                }
                std::string error;
                next = ParseScriptLine(lines.front(), &error);
                if (!next) {
                    ReportProblem(error);
                    lines.erase(lines.begin());
                    continue;
                }
                taken = matches(*next);
                if (taken)
                    lines.erase(lines.begin());
                return true;
            }
            return true;
        });
        if (taken)
            return next;
    }
    std::string problem = "unexpected " + Describe(kind, caption, text);
    problem += next ? " (expected " + Describe(next->kind, next->caption, next->text) + ")"
                    : " (nothing was expected)";
    ReportProblem(problem);
    return std::nullopt;
}

std::size_t ScriptedUser::Pending() {
    std::size_t pending = m_expected.size();
    if (!m_scriptPath.empty())
        WithScriptFile([&](std::vector<std::string>& lines) {
            pending += static_cast<std::size_t>(std::count_if(
                lines.begin(), lines.end(), [](const auto& l) { return !IsScriptComment(l); }));
            return false;
        });
    return pending;
}

bool ScriptedUser::WithScriptFile(const std::function<bool(std::vector<std::string>&)>& work) {
    const int fd = ::open(m_scriptPath.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        ReportProblem("cannot read the script file '" + m_scriptPath + "'");
        m_scriptPath.clear(); // reported once; the process goes on unscripted
        return false;
    }
    // Every reader of the script, in this process or another, takes turns.
    ::flock(fd, LOCK_EX);
    std::string content;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        content.append(buffer, static_cast<std::size_t>(n));
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos)
            end = content.size();
        std::string line = content.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    const bool changed = work(lines);
    bool written = true;
    if (changed) {
        std::string rest;
        for (const auto& line : lines)
            rest += line + "\n";
        written = ::ftruncate(fd, 0) == 0 &&
                  ::pwrite(fd, rest.data(), rest.size(), 0) == static_cast<ssize_t>(rest.size());
    }
    ::flock(fd, LOCK_UN);
    ::close(fd);
    return written;
}

int ScriptedUser::AnswerMessageBox(const MessageBoxPrompt& prompt) {
    Expectation answered;
    answered.kind = PromptKind::MessageBox;
    answered.caption = prompt.caption;
    answered.text = prompt.text;
    const auto buttons = MessageBoxButtons(prompt.type);
    const auto expected = TakeFront(PromptKind::MessageBox, prompt.caption, prompt.text);
    const int scripted = expected ? expected->button : 0;
    const bool fits = std::find(buttons.begin(), buttons.end(), scripted) != buttons.end();
    if (expected && !fits)
        ReportProblem("the script answers " +
                      Describe(PromptKind::MessageBox, prompt.caption, prompt.text) + " with " +
                      unicode::ToUtf8(ButtonName(scripted)) + ", a button it does not have");
    answered.button = fits                     ? scripted
                      : HasCancel(prompt.type) ? IDCANCEL
                                               : DefaultMessageBoxButton(prompt.type);
    Log((fits ? "" : "!") + FormatScriptLine(answered));
    return answered.button;
}

std::optional<std::u16string> ScriptedUser::AnswerFileDialog(const FileDialogPrompt& prompt) {
    Expectation answered;
    answered.kind =
        prompt.kind == FileDialogKind::Open ? PromptKind::OpenFile : PromptKind::SaveFile;
    answered.caption = prompt.title;
    auto expected = TakeFront(answered.kind, prompt.title, {});
    if (expected)
        answered.fileName = expected->fileName;
    Log((expected ? "" : "!") + FormatScriptLine(answered));
    return answered.fileName;
}

void ScriptedUser::AnswerHelp(const std::u16string& helpFile) {
    Expectation answered;
    answered.kind = PromptKind::Help;
    answered.caption = helpFile;
    const bool expected = TakeFront(PromptKind::Help, helpFile, {}).has_value();
    Log((expected ? "" : "!") + FormatScriptLine(answered));
}

std::optional<Expectation> ScriptedUser::TakeDialog(const std::u16string& caption) {
    return TakeFront(PromptKind::Dialog, caption, {});
}

void ScriptedUser::LogDialog(const Expectation& answered, bool expected) {
    Log((expected ? "" : "!") + FormatScriptLine(answered));
}

void ScriptedUser::ReportProblem(const std::string& problem) {
    m_problems.push_back(problem);
    if (m_handler)
        m_handler(problem);
    else
        std::fprintf(stderr, "jotterwick: %s\n", problem.c_str());
}

std::string ScriptedUser::Finish() {
    std::string report;
    for (const auto& problem : m_problems)
        report += problem + "\n";
    for (const auto& e : m_expected)
        report += "expected but never shown: " + Describe(e.kind, e.caption, e.text) + "\n";
    m_problems.clear();
    m_expected.clear();
    return report;
}

bool ScriptedUser::AssertDone() {
    // Problems went to the handler as they happened; only the expectations
    // never met are news here.
    const bool hadProblems = !m_problems.empty();
    std::string pending;
    for (const auto& e : m_expected)
        pending += "expected but never shown: " + Describe(e.kind, e.caption, e.text) + "\n";
    Finish();
    if (!pending.empty()) {
        if (m_handler)
            m_handler(pending);
        else
            std::fprintf(stderr, "jotterwick: %s", pending.c_str());
    }
    return !hadProblems && pending.empty();
}

void ScriptedUser::SetProblemHandler(std::function<void(const std::string&)> handler) {
    m_handler = std::move(handler);
}

void ScriptedUser::Log(const std::string& line) {
    m_shown.push_back(line);
    if (m_logPath.empty())
        return;
    // Appended and closed each time, so a test reading the log sees every line
    // even while this process still runs.
    if (std::FILE* log = std::fopen(m_logPath.c_str(), "a")) {
        std::fprintf(log, "%s\n", line.c_str());
        std::fclose(log);
    }
}

} // namespace ui
