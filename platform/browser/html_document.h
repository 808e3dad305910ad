// The page's document as the program reaches it: the document, its body and the body's style,
// each call a script run in the page and waited for with a bound (kScriptBound).
#pragma once

#include "platform/browser/browser_interfaces.h"
#include "platform/browser/web_page.h"

#include <chrono>
#include <memory>
#include <string>

namespace zv::browser {

inline constexpr std::chrono::milliseconds kScriptBound{5000};

// A new document object of the page, with one reference.
IHTMLDocument2* NewHtmlDocument(std::shared_ptr<WebPage> page);
// The element the script expression names ("document.body"), with one reference; S_OK with null
// when the page has none.
HRESULT FindElement(std::shared_ptr<WebPage> page, const std::string& expression, IHTMLElement** element);

} // namespace zv::browser
