// The tests' command lines are written for a POSIX shell. Windows has none,
// so the runners understand the part of that syntax the tests use and
// start the program themselves:
//   [env [-u NAME]...] [NAME=VALUE]... [timeout SECONDS] program [argument]...
// with words in 'single' or "double" quotes, and the redirections < file,
// > file, 2> file and 2>&1 (/dev/null is NUL).
#include "support/win32/command_start.h"

#include <cwchar>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "strings/win32/wide_text.h"

namespace qx7::test {
namespace {

struct Word {
    std::string text;
    bool quoted = false;  // an operator only when not quoted
};

std::vector<Word> SplitWords(const std::string& command) {
    std::vector<Word> words;
    std::optional<Word> word;
    for (std::size_t i = 0; i < command.size(); ++i) {
        const char c = command[i];
        if (c == ' ' || c == '\t' || c == '\n') {
            if (word) words.push_back(*word);
            word.reset();
            continue;
        }
        if (!word) word = Word{};
        if (c == '\'') {
            const std::size_t end = command.find('\'', i + 1);
            if (end == std::string::npos) throw std::invalid_argument("unterminated quote: " + command);
            word->text += command.substr(i + 1, end - i - 1);
            word->quoted = true;
            i = end;
        } else if (c == '"') {
            word->quoted = true;
            for (++i; i < command.size() && command[i] != '"'; ++i) {
                if (command[i] == '\\' && i + 1 < command.size()) ++i;
                word->text += command[i];
            }
        } else if (c == '\\' && i + 1 < command.size()) {
            word->text += command[++i];
        } else if ((c == '<' || c == '>') && !word->quoted && (word->text.empty() || word->text == "2")) {
            // An operator is a word of its own: "<", ">", "2>" and "2>&1".
            word->text += c;
            if (word->text == "2>" && command.compare(i + 1, 2, "&1") == 0) {
                word->text = "2>&1";
                i += 2;
            }
            words.push_back(*word);
            word.reset();
        } else {
            word->text += c;
        }
    }
    if (word) words.push_back(*word);
    return words;
}

// One argument as the C runtime of the started program splits it again.
std::wstring QuoteArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) return argument;
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

std::string NullDevice(const std::string& path) { return path == "/dev/null" ? "NUL" : path; }

// Windows compares the names of environment variables without case, and
// wants the block sorted that way.
struct NameLess {
    bool operator()(const std::wstring& a, const std::wstring& b) const { return _wcsicmp(a.c_str(), b.c_str()) < 0; }
};

// The environment block of the child: ours, changed as the command says.
std::wstring EnvironmentBlock(const std::map<std::string, std::optional<std::string>>& changes) {
    std::map<std::wstring, std::wstring, NameLess> variables;
    wchar_t* block = GetEnvironmentStringsW();
    for (const wchar_t* entry = block; entry && *entry; entry += wcslen(entry) + 1) {
        const std::wstring text(entry);
        const std::size_t equals = text.find(L'=', 1);
        // Names starting with '=' (the current folder of each drive) are
        // kept as they are.
        if (equals != std::wstring::npos) variables[text.substr(0, equals)] = text.substr(equals + 1);
    }
    if (block) FreeEnvironmentStringsW(block);
    for (const auto& [name, value] : changes) {
        if (value) {
            variables[strings::WideFromUtf8(name)] = strings::WideFromUtf8(*value);
        } else {
            variables.erase(strings::WideFromUtf8(name));
        }
    }
    std::wstring result;
    for (const auto& [name, value] : variables) result += name + L"=" + value + L'\0';
    return result + L'\0';
}

}  // namespace

HANDLE OpenForChild(const std::string& path, bool write) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateFileW(strings::WideFromUtf8(NullDevice(path)).c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                       write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool StartCommand(const std::string& command, HANDLE default_out, StartedCommand* started) {
    const std::vector<Word> words = SplitWords(command);
    std::size_t at = 0;
    std::map<std::string, std::optional<std::string>> environment;
    if (at < words.size() && words[at].text == "env") {
        for (++at; at + 1 < words.size() && words[at].text == "-u"; at += 2) environment[words[at + 1].text].reset();
    }
    for (; at < words.size() && !words[at].quoted && words[at].text.find('=') != std::string::npos; ++at) {
        const std::string& assignment = words[at].text;
        environment[assignment.substr(0, assignment.find('='))] = assignment.substr(assignment.find('=') + 1);
    }
    if (at + 1 < words.size() && words[at].text == "timeout") {
        started->timeout_seconds = static_cast<unsigned>(std::stoul(words[at + 1].text));
        at += 2;
    }
    std::wstring command_line;
    std::string in_file, out_file, err_file;
    bool err_to_out = false;
    for (; at < words.size(); ++at) {
        const Word& word = words[at];
        if (!word.quoted && (word.text == "<" || word.text == ">" || word.text == "2>") && at + 1 < words.size()) {
            (word.text == "<" ? in_file : word.text == ">" ? out_file : err_file) = words[++at].text;
        } else if (!word.quoted && word.text == "2>&1") {
            err_to_out = true;
        } else {
            if (!command_line.empty()) command_line += L' ';
            command_line += QuoteArgument(strings::WideFromUtf8(word.text));
        }
    }

    Handle in(in_file.empty() ? OpenForChild("NUL", false) : OpenForChild(in_file, false));
    Handle out_redirect(out_file.empty() ? INVALID_HANDLE_VALUE : OpenForChild(out_file, true));
    Handle err(err_file.empty() ? INVALID_HANDLE_VALUE : OpenForChild(err_file, true));
    const HANDLE child_out = out_redirect.ok() ? out_redirect.value : default_out;
    HANDLE child_err = err.ok() ? err.value : GetStdHandle(STD_ERROR_HANDLE);
    if (err_to_out) child_err = child_out;

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in.value;
    startup.hStdOutput = child_out;
    startup.hStdError = child_err;
    std::wstring block = EnvironmentBlock(environment);
    return CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                          block.data(), nullptr, &startup, &started->process) != 0;
}

}  // namespace qx7::test
