#include "engine/i18n.h"

#include <libintl.h>

#include <cctype>
#include <clocale>
#include <cstdlib>
#include <filesystem>

namespace kq {

namespace {

constexpr const char* kDomain = "kq001";

// gettext's state is the process's; this only remembers what was asked of it.
TLanguage gLanguage = TLanguage::English;
// LANGUAGE as it was before SetLanguage set it (restored when another language is chosen, so the
// locale's own choice is read again).
bool gLanguageSet = false;
bool gHadLanguage = false;
std::string gOldLanguage;

void RestoreLanguageVariable() {
  if (!gLanguageSet) return;
  if (gHadLanguage)
    ::setenv("LANGUAGE", gOldLanguage.c_str(), 1);
  else
    ::unsetenv("LANGUAGE");
  gLanguageSet = false;
}

bool StartsWithJa(const char* v) {
  return v && std::tolower(static_cast<unsigned char>(v[0])) == 'j' &&
         std::tolower(static_cast<unsigned char>(v[1])) == 'a' &&
         (v[2] == 0 || v[2] == '_' || v[2] == '.' || v[2] == '@' || v[2] == ':');
}

bool Set(const char* v) {
  return v && *v;
}

}  // namespace

TLanguage ParseLanguage(std::string_view key) {
  while (!key.empty() && std::isspace(static_cast<unsigned char>(key.front()))) key.remove_prefix(1);
  while (!key.empty() && std::isspace(static_cast<unsigned char>(key.back()))) key.remove_suffix(1);
  std::string k;
  for (char c : key) k += char(std::tolower(static_cast<unsigned char>(c)));
  if (k == "en") return TLanguage::English;
  if (k == "ja") return TLanguage::Japanese;
  return TLanguage::Auto;
}

const char* LanguageKey(TLanguage lang) {
  switch (lang) {
    case TLanguage::English:
      return "en";
    case TLanguage::Japanese:
      return "ja";
    case TLanguage::Auto:
      break;
  }
  return "auto";
}

TLanguage LocaleLanguage() {
  // The first locale variable that is set decides, as for the C library.
  const char* locale = nullptr;
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"})
    if (const char* v = std::getenv(name); Set(v)) {
      locale = v;
      break;
    }
  const bool cLocale = !locale || std::string_view(locale) == "C" || std::string_view(locale) == "POSIX";
  // LANGUAGE is a list of preferences, honoured by gettext unless the locale is C.
  if (const char* v = std::getenv("LANGUAGE"); Set(v) && !cLocale)
    return StartsWithJa(v) ? TLanguage::Japanese : TLanguage::English;
  return StartsWithJa(locale) ? TLanguage::Japanese : TLanguage::English;
}

TLanguage SetLanguage(TLanguage lang, const std::vector<std::string>& folders) {
  RestoreLanguageVariable();
  if (lang == TLanguage::Auto) lang = LocaleLanguage();
  gLanguage = TLanguage::English;
  if (lang != TLanguage::Japanese) return gLanguage;
  namespace fs = std::filesystem;
  std::string found;
  for (const std::string& f : folders) {
    std::error_code ec;
    if (!f.empty() && fs::is_regular_file(fs::path(f) / "ja" / "LC_MESSAGES" / "kq001.mo", ec)) {
      found = f;
      break;
    }
  }
  if (found.empty()) return gLanguage;
  // gettext reads the language from LANGUAGE, and ignores it under the C locale: the messages
  // category gets a UTF-8 locale of the system's (C.UTF-8 is always there) when it has none.
  const char* old = std::getenv("LANGUAGE");
  gHadLanguage = old != nullptr;
  gOldLanguage = old ? old : "";
  gLanguageSet = true;
  ::setenv("LANGUAGE", "ja", 1);
  const char* now = std::setlocale(LC_MESSAGES, "");
  if (!now || std::string_view(now) == "C" || std::string_view(now) == "POSIX")
    std::setlocale(LC_MESSAGES, "C.UTF-8");
  bindtextdomain(kDomain, found.c_str());
  bind_textdomain_codeset(kDomain, "UTF-8");
  textdomain(kDomain);  // also drops gettext's cache of earlier answers
  gLanguage = TLanguage::Japanese;
  return gLanguage;
}

TLanguage CurrentLanguage() {
  return gLanguage;
}

const char* Tr(const char* english) {
  if (!english || !*english || gLanguage != TLanguage::Japanese) return english;
  const char* t = dgettext(kDomain, english);
  return t && *t ? t : english;  // a broken catalogue never blanks a text
}

std::string Tr(const std::string& english) {
  return Tr(english.c_str());
}

std::string Subst(std::string text, std::string_view key, std::string_view value) {
  if (key.empty()) return text;
  for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size()))
    text.replace(at, key.size(), value);
  return text;
}

}  // namespace kq
