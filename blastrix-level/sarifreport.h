#pragma once

#include <string>

#include "finding.h"

// A SARIF 2.1.0 log of one run of check, written as it goes: the head with the tool and one rule per
// finding code, each finding as a result, then the tail. The same findings give the same bytes.
std::string SarifHead();
void AppendSarif(std::string& out, const Finding& finding, bool first);
std::string SarifTail();

// A path as a URI reference: relative paths stay relative, absolute ones become file: URIs; every
// byte but unreserved characters and '/' is percent-encoded.
std::string PathUri(const std::string& path);
