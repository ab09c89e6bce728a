#include "sarifreport.h"

#include "findingcodes.h"
#include "pathinfo.h"
#include "report.h"

std::string PathUri(const std::string& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    // A Windows path from a drive, C:\x, is the URI file:///C:/x.
    const bool fromDrive = files::IsAbsolutePath(path) && !files::IsPathSeparator(path[0]);
    std::string out = fromDrive ? "file:///" : files::IsAbsolutePath(path) ? "file://" : "";
    for (std::size_t i = 0; i < path.size(); ++i) {
        const char c = files::IsPathSeparator(path[i]) ? '/' : path[i];
        const auto byte = static_cast<unsigned char>(c);
        if (fromDrive && i == 1) {
            out += c;
            continue;
        }
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                                c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
        if (unreserved) {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0xf];
        }
    }
    return out;
}

std::string SarifLog::Head() {
    std::string out =
        "{\n  \"$schema\": "
        "\"https://docs.oasis-open.org/sarif/sarif/v2.1.0/errata01/os/schemas/sarif-schema-2.1.0.json\",\n"
        "  \"version\": \"2.1.0\",\n"
        "  \"runs\": [\n    {\n      \"tool\": {\n        \"driver\": {\n"
        "          \"name\": \"blastrix-level\",\n          \"version\": \"" BLASTRIX_VERSION "\",\n"
        "          \"rules\": [";
    for (std::size_t i = 0; i < kFindingCodes.size(); ++i) {
        const FindingCode& code = kFindingCodes[i];
        out += i == 0 ? "\n" : ",\n";
        out += "            {\"id\": ";
        AppendJsonString(out, std::string(code.code));
        out += ", \"shortDescription\": {\"text\": ";
        AppendJsonString(out, code.summary);
        out += "}, \"fullDescription\": {\"text\": ";
        AppendJsonString(out, code.description);
        out += "}, \"defaultConfiguration\": {\"level\": \"";
        out += SeverityName(code.severity);
        out += "\"}}";
    }
    out += "\n          ]\n        }\n      },\n      \"results\": [";
    return out;
}

void SarifLog::Append(std::string& out, const Finding& finding) {
    if (code_ != finding.code) {
        code_ = finding.code;
        rule_ = "{\"ruleId\":";
        AppendJsonString(rule_, finding.code);
        if (const std::optional<std::size_t> index = FindingCodeIndex(finding.code))
            rule_ += ",\"ruleIndex\":" + std::to_string(*index);
        rule_ += ",\"level\":\"";
    }
    if (location_.empty() || file_ != finding.file) {
        file_ = finding.file;
        location_ = "},\"locations\":[{\"physicalLocation\":{\"artifactLocation\":{\"uri\":";
        AppendJsonString(location_, PathUri(finding.file));
        location_ += "}";
    }
    out += first_ ? "\n        " : ",\n        ";
    first_ = false;
    out += rule_;
    out += SeverityName(finding.severity);
    out += "\",\"message\":{\"text\":";
    AppendJsonString(out, finding.message);
    out += location_;
    if (finding.line != 0) {
        out += ",\"region\":{\"startLine\":";
        out += std::to_string(finding.line);
        if (finding.column != 0) {
            out += ",\"startColumn\":";
            out += std::to_string(finding.column);
        }
        out += "}";
    }
    out += "}}]}";
}

std::string SarifLog::Tail() { return "\n      ]\n    }\n  ]\n}\n"; }
