#include "cli/messages.h"

#include <iterator>

namespace qx7::cli {
namespace {

struct Entry {
    MessageId id;
    std::string_view english;
    std::string_view korean;
};

constexpr Entry kMessages[] = {
    {MessageId::NoDriveOnLine, "There is no drive on line %1; the listed lines are: %2.",
     "%1번 줄에 드라이브가 없습니다. 목록의 줄: %2."},
    {MessageId::NoDriveWithSerial, "No listed drive has the serial number %1; the listed lines are: %2.",
     "일련 번호가 %1인 드라이브가 목록에 없습니다. 목록의 줄: %2."},
    {MessageId::SerialOnManyLines,
     "More than one listed drive has the serial number %1 (lines %2); choose one with --drive.",
     "일련 번호가 %1인 드라이브가 목록에 여러 개 있습니다(줄: %2). --drive로 하나를 선택하십시오."},
    {MessageId::CannotOpenDrive, "Cannot open the drive at %1.", "%1의 드라이브를 열 수 없습니다."},
    {MessageId::NotAQx7, "The drive did not identify itself as a QX7.", "드라이브가 QX7로 식별되지 않았습니다."},
    {MessageId::PasswordUnreadable, "The password cannot be read: %1 %2.", "암호를 읽을 수 없습니다: %1 %2."},
    {MessageId::PasswordEmpty, "The password cannot be read: the first line of %1 is empty.",
     "암호를 읽을 수 없습니다: %1의 첫 줄이 비어 있습니다."},
    {MessageId::PasswordPrompt, "Current administrator password: ", "현재 관리자 암호: "},
    {MessageId::PasswordNeedsTerminal,
     "No password: give --password-file FILE (- for standard input), or run qx7ctl on a terminal to be "
     "asked for it.",
     "암호가 없습니다: --password-file FILE(표준 입력은 -)을 지정하거나 터미널에서 qx7ctl을 실행하여 "
     "암호를 입력하십시오."},
    {MessageId::CannotCreateFolder, "Cannot create the folder %1: %2", "%1 폴더를 만들 수 없습니다: %2"},
    {MessageId::FolderNotWritable, "Cannot write files into the folder %1: %2", "%1 폴더에 파일을 쓸 수 없습니다: %2"},
    {MessageId::UnlistedTableFull, "Not listed: the drive list is full (99 drives); nothing written.",
     "목록에 없음: 드라이브 목록이 가득 찼습니다(99개). 아무것도 쓰지 않았습니다."},
    {MessageId::UnlistedScanFailed, "Not listed: the drive did not answer while it was being read; nothing written.",
     "목록에 없음: 드라이브를 읽는 동안 응답하지 않았습니다. 아무것도 쓰지 않았습니다."},
    {MessageId::LogNotWritten, "The log could not be written; the serial numbers configured are:",
     "로그를 기록할 수 없습니다. 구성된 일련 번호:"},
    {MessageId::ReportNotWritten, "The report %1 could not be written: %2", "보고서 %1을(를) 기록할 수 없습니다: %2"},
    {MessageId::ReportFormat, "The report %1 must be named .json or .csv.",
     "보고서 %1의 이름은 .json 또는 .csv로 끝나야 합니다."},
    {MessageId::Interrupted, "Interrupted: the drives already uploading finish; no other drive is written.",
     "중단됨: 이미 업로드 중인 드라이브는 완료되며, 다른 드라이브에는 기록하지 않습니다."},
    {MessageId::WatchStarted, "Waiting for drives to be plugged in; press Ctrl+C to stop.",
     "드라이브 연결을 기다리는 중입니다. 중지하려면 Ctrl+C를 누르십시오."},
    {MessageId::NotReadAsAdmin,
     "The drive on line %1 was not read in administrator mode; its settings cannot be the base.",
     "%1번 줄의 드라이브를 관리자 모드로 읽지 못했으므로 그 설정을 기준으로 쓸 수 없습니다."},
    {MessageId::TraceFullWarning,
     "qx7ctl: warning: --trace-full prints the drive's channel key and the passwords of every settings "
     "write; keep this output as secret as the passwords",
     "qx7ctl: 경고: --trace-full은 드라이브의 채널 키와 모든 설정 쓰기의 암호를 출력합니다. 이 출력을 "
     "암호처럼 비밀로 지키십시오"},
    {MessageId::PasswordNotTyped, "The password cannot be read: nothing was typed.",
     "암호를 읽을 수 없습니다: 입력된 내용이 없습니다."},
    {MessageId::FormUnreadable, "Cannot read the form file %1: it %2.", "양식 파일 %1을(를) 읽을 수 없습니다 (%2)."},
    {MessageId::FormNotJson, "%1 is not valid JSON.", "%1은(는) 올바른 JSON이 아닙니다."},
    {MessageId::FormNotObject, "%1: the form must be a JSON object.", "%1: 양식은 JSON 객체여야 합니다."},
    {MessageId::FormMissingKeys,
     "%1: the file would change the settings, but these keys are missing (give them, or take them from "
     "--from-drive N or --base FILE.qx7): %2",
     "%1: 파일이 설정을 변경하지만 다음 키가 없습니다(키를 지정하거나 --from-drive N 또는 --base FILE.qx7에서 "
     "가져오십시오): %2"},
    {MessageId::BaseGivesNoSettings, " (%1 does not change the settings, so it gives none)",
     " (%1은(는) 설정을 변경하지 않으므로 설정을 제공하지 않습니다)"},
    {MessageId::FormNeedsUserPassword,
     "%1: form key \"change_user_password\": give the new user password in \"new_user_password\"",
     "%1: 양식 키 \"change_user_password\": 새 사용자 암호를 \"new_user_password\"에 지정하십시오"},
    {MessageId::FormKeyRefused, "%1: form key \"%2\" is refused", "%1: 양식 키 \"%2\"이(가) 거부되었습니다"},
    {MessageId::FormSettingsNotSent,
     "%1: the form sets %2, but without \"change_settings\": true the settings are not sent to a drive",
     "%1: 양식이 %2을(를) 지정하지만 \"change_settings\": true 없이는 설정이 드라이브로 전송되지 않습니다"},
    {MessageId::FormChangesNothing,
     "%1: the file would change nothing on a drive: tick a change (\"change_settings\", "
     "\"change_admin_password\", \"change_user_password\" or \"change_rfid_tag_data\")",
     "%1: 파일이 드라이브에서 아무것도 변경하지 않습니다: 변경 항목(\"change_settings\", "
     "\"change_admin_password\", \"change_user_password\" 또는 \"change_rfid_tag_data\")을 선택하십시오"},
};

std::string_view Template(strings::Language language, MessageId id) {
    for (const Entry& entry : kMessages) {
        if (entry.id == id) return language == strings::Language::Korean ? entry.korean : entry.english;
    }
    return {};
}

}  // namespace

std::string Message(strings::Language language, MessageId id, std::initializer_list<std::string_view> arguments) {
    const std::string_view text = Template(language, id);
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (text[i] == '%' && next >= '1' && next <= '9') {
            const auto index = static_cast<std::size_t>(next - '1');
            if (index < arguments.size()) out += *std::next(arguments.begin(), static_cast<std::ptrdiff_t>(index));
            ++i;
            continue;
        }
        out += text[i];
    }
    return out;
}

strings::Language LanguageOfLocaleName(std::string_view name) {
    const bool korean = name.substr(0, 2) == "ko" &&
                        (name.size() == 2 || name[2] == '_' || name[2] == '.' || name[2] == '@' || name[2] == '-');
    return korean ? strings::Language::Korean : strings::Language::English;
}

}  // namespace qx7::cli
