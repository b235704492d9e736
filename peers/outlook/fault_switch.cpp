#include "peers/outlook/fault_switch.h"

#include "platform/base/unicode.h"
#include "platform/win32/registry.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace outlook {

namespace {

struct Rules {
    std::mutex mutex;
    std::string environmentText; // the variable's text the rules below were made from
    std::vector<FaultRule> fromEnvironment;
    std::vector<FaultRule> fromRegistry;
};

Rules& State() {
    static Rules rules;
    return rules;
}

bool SameMember(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

std::optional<unsigned> ParseNumber(std::string_view text) {
    unsigned value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

[[maybe_unused]] std::optional<WORD> Take(std::vector<FaultRule>& rules,
                                          std::u16string_view member) {
    for (FaultRule& rule : rules) {
        if (!SameMember(rule.member, member))
            continue;
        if (rule.remaining) {
            if (*rule.remaining == 0)
                continue;
            --*rule.remaining;
        }
        return rule.code;
    }
    return std::nullopt;
}

} // namespace

std::vector<FaultRule> ParseFaultRules(std::string_view text, std::vector<std::string>* problems) {
    std::vector<FaultRule> rules;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find(';'), text.size());
        const std::string_view entry = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (entry.empty())
            continue;
        const std::size_t first = entry.find(':');
        const std::size_t second =
            first == std::string_view::npos ? first : entry.find(':', first + 1);
        std::optional<unsigned> code, count;
        if (first != std::string_view::npos && first > 0) {
            code = ParseNumber(entry.substr(first + 1, second == std::string_view::npos
                                                           ? std::string_view::npos
                                                           : second - first - 1));
            if (second != std::string_view::npos)
                count = ParseNumber(entry.substr(second + 1));
        }
        if (!code || *code > 0xFFFF || (second != std::string_view::npos && !count)) {
            if (problems)
                problems->push_back("fault switch entry \"" + std::string(entry) +
                                    "\" is not Member:code[:count]");
            continue;
        }
        FaultRule rule;
        rule.member = unicode::ToUtf16(entry.substr(0, first));
        rule.code = static_cast<WORD>(*code);
        rule.remaining = count;
        rules.push_back(std::move(rule));
    }
    return rules;
}

std::optional<WORD> TakeFault(std::u16string_view member) {
#ifdef JOTTERWICK_TEST_HOOKS
    Rules& rules = State();
    std::lock_guard lock(rules.mutex);
    const char* variable = std::getenv("JOTTERWICK_OUTLOOK_FAULT");
    const std::string text = variable ? variable : "";
    if (text != rules.environmentText) {
        rules.environmentText = text;
        rules.fromEnvironment = ParseFaultRules(text, nullptr);
    }
    if (auto code = Take(rules.fromEnvironment, member))
        return code;
    return Take(rules.fromRegistry, member);
#else
    // A shipped Outlook stand-in never fails on request.
    (void)member;
    return std::nullopt;
#endif
}

void LoadRegistryFaults() {
    const std::string text =
        win32::ReadRegistryText(HKEY_CURRENT_USER, "Software\\Jotterwick\\Outlook", "Fault")
            .value_or(std::string());
    Rules& rules = State();
    std::lock_guard lock(rules.mutex);
    rules.fromRegistry = ParseFaultRules(text, nullptr);
}

std::optional<std::size_t> ChosenEntryIdLength() {
#ifdef JOTTERWICK_TEST_HOOKS
    if (const char* text = std::getenv("JOTTERWICK_OUTLOOK_ENTRYID_LENGTH")) {
        char* end = nullptr;
        const unsigned long length = std::strtoul(text, &end, 10);
        if (end && *end == '\0' && length > 0 && length <= 4096)
            return length;
    }
#endif
    return std::nullopt;
}

} // namespace outlook
