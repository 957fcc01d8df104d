// The update check against a server that answers with the fuzz input, and
// the comparison of version texts.
//
// Input: the program's own version (a byte: 0 the compiled one, else four
// 16-bit fields follow), then two answers, the manifest's and the
// changelog's, each a byte picking the outcome (modulo 3: answered, no
// connection, request failed), a 16-bit HTTP status code and a block (the
// body). The rest is three version texts for CompareVersions, each a byte
// length and that many bytes read as UTF-8.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "strings/text_codec.h"
#include "support/byte_reader.h"
#include "support/fuzz_target.h"
#include "updater/update_check.h"
#include "updater/version_compare.h"

namespace {

using namespace qx7;
using updater::CompareVersions;
using updater::UpdateCheckResult;

constexpr std::string_view kFolder = "https://update.example.com/downloads/qx7/utilities/update/";

class ScriptedServer final : public updater::HttpClient {
public:
    explicit ScriptedServer(fuzz::ByteReader& in) {
        for (updater::HttpResponse& answer : answers_) {
            answer.status = static_cast<updater::HttpStatus>(in.U8() % 3);
            answer.http_code = in.U16();
            const auto body = in.Block();
            if (answer.status == updater::HttpStatus::Ok) answer.body.assign(body.begin(), body.end());
        }
    }

    updater::HttpResponse Get(const std::string& url) override {
        // The manifest first, then the changelog, each from the update folder.
        QX7_FUZZ_CHECK(urls.size() < 2);
        const std::string_view file = urls.empty() ? updater::kManifestFile : updater::kChangelogFile;
        QX7_FUZZ_CHECK(url == std::string(kFolder) + std::string(file));
        urls.push_back(url);
        return answers_[urls.size() - 1];
    }

    std::vector<std::string> urls;

private:
    updater::HttpResponse answers_[2];
};

std::u16string VersionText(fuzz::ByteReader& in) {
    const auto bytes = in.Bytes(in.U8());
    return strings::FromUtf8({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
}

bool Malformed(int comparison) {
    return comparison == updater::kFirstVersionMalformed || comparison == updater::kSecondVersionMalformed;
}

void CheckComparison(std::u16string_view a, std::u16string_view b, std::u16string_view c) {
    const int ab = CompareVersions(a, b);
    const int ba = CompareVersions(b, a);
    // Malformed texts are named in argument order.
    if (!updater::IsVersion(a)) {
        QX7_FUZZ_CHECK(ab == updater::kFirstVersionMalformed);
        QX7_FUZZ_CHECK(ba ==
                       (updater::IsVersion(b) ? updater::kSecondVersionMalformed : updater::kFirstVersionMalformed));
        return;
    }
    QX7_FUZZ_CHECK(CompareVersions(a, a) == 0);
    if (!updater::IsVersion(b)) {
        QX7_FUZZ_CHECK(ab == updater::kSecondVersionMalformed && ba == updater::kFirstVersionMalformed);
        return;
    }
    // An order: antisymmetric and transitive.
    QX7_FUZZ_CHECK(ab >= -1 && ab <= 1);
    QX7_FUZZ_CHECK(ab == -ba);
    const int bc = CompareVersions(b, c);
    const int ac = CompareVersions(a, c);
    if (Malformed(bc) || Malformed(ac)) return;
    if (ab >= 0 && bc >= 0) QX7_FUZZ_CHECK(ac >= 0 && (ac > 0 || (ab == 0 && bc == 0)));
    if (ab <= 0 && bc <= 0) QX7_FUZZ_CHECK(ac <= 0 && (ac < 0 || (ab == 0 && bc == 0)));
}

void CheckOutcome(const updater::UpdateCheckOutcome& outcome, const updater::FileVersion& own,
                  const ScriptedServer& server) {
    QX7_FUZZ_CHECK(!outcome.status_text.empty());
    QX7_FUZZ_CHECK(outcome.update_enabled == (outcome.result == UpdateCheckResult::UpdateAvailable));
    const bool compared =
        outcome.result == UpdateCheckResult::UpdateAvailable || outcome.result == UpdateCheckResult::UpToDate;
    // Only a manifest holding a version is compared, and only with a
    // changelog fetched.
    QX7_FUZZ_CHECK(compared == !outcome.server_version.empty());
    if (compared) {
        QX7_FUZZ_CHECK(server.urls.size() == 2);
        QX7_FUZZ_CHECK(updater::IsVersion(outcome.server_version));
        const int comparison = CompareVersions(outcome.server_version, updater::VersionText(own));
        QX7_FUZZ_CHECK((comparison == 1) == (outcome.result == UpdateCheckResult::UpdateAvailable));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::ByteReader in(std::span<const std::uint8_t>(data, size));
    updater::FileVersion own = updater::CompiledFileVersion();
    if (in.U8() != 0) own = {in.U16(), in.U16(), in.U16(), in.U16()};
    const auto language = size % 2 == 0 ? strings::Language::English : strings::Language::Korean;

    ScriptedServer server(in);
    const updater::UpdateCheckOutcome outcome = updater::CheckForUpdate(server, kFolder, own, language);
    CheckOutcome(outcome, own, server);

    const std::u16string a = VersionText(in);
    const std::u16string b = VersionText(in);
    const std::u16string c = VersionText(in);
    CheckComparison(a, b, c);
    CheckComparison(b, c, a);
    return 0;
}
