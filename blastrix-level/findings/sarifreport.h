#pragma once

#include <string>

#include "finding.h"

// A SARIF 2.1.0 log of one run of check, written as it goes: the head with the tool and one rule per
// finding code, each finding as a result, then the tail. The same findings give the same bytes.
class SarifLog {
public:
    static std::string Head();
    void Append(std::string& out, const Finding& finding);
    static std::string Tail();

private:
    bool first_ = true;
    // Findings come file by file and mostly a few codes at a time: their encoded parts are kept.
    std::string file_;
    std::string location_;
    const char* code_ = nullptr;
    std::string rule_;
};

// A path as a URI reference: relative paths stay relative, absolute ones become file: URIs; every
// byte but unreserved characters and '/' is percent-encoded.
std::string PathUri(const std::string& path);
