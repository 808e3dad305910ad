// Rules a minidriver broke, as the port noticed them (a release, completion or free that does
// not fit). A real kernel would stop the machine; we record them so that tests can demand none.
#pragma once

#include <string>
#include <vector>

namespace zv::ks {

void ReportPortViolation(std::string what);
// Returns the violations noticed since the last call and forgets them.
std::vector<std::string> TakePortViolations();

}  // namespace zv::ks
