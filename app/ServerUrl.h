// The URLs of the servers the program talks to, from its string table.
//
// The server is a deployment setting: when the profile section "Servers" holds a value named after
// a URL's host (for example "host.zelvante.example"), that value ("name" or "name:port") takes
// the place of the host and its port. User information and the path stay as they are.
#pragma once

#include "platform/win32/types.h"

#include <initializer_list>
#include <string>

// The URL string `id` with the deployment's server; false when the string is missing.
bool LoadServerUrl(UINT id, std::string& url);

// `url` with its host and port replaced as the profile says (unchanged when it says nothing).
std::string ApplyServerSetting(const std::string& url);

// `format` with each "%s" replaced, in order, by the next value percent-encoded (a value cannot
// add a query key of its own); further "%s" become empty.
std::string FormatUrl(const std::string& format, std::initializer_list<std::string> values);

// `url` + "?" (or "&" when it holds a "?" already) + "ID_USER=" + the id percent-encoded.
std::string WithUserId(const std::string& url, const std::string& userId);
