#pragma once
// The player's language. Texts are written in English in the code and go through GNU gettext
// (text domain "kq001"); the Japanese catalogue is built from po/ja.po at build time.
//
//   #include "engine/i18n.h"
//   ShowError(Tr("Cannot save the settings"));    // translated at the call
//   static const char* kLabels[] = {N_("Up")};    // marked here, Tr(kLabels[i]) where shown
//
// Every text passed to Tr() must be a literal marked with Tr(), _() or N_() somewhere so that
// xgettext finds it; the test "i18n_catalogue_complete" checks that po/ja.po translates them all.
#include <string>
#include <string_view>
#include <vector>

namespace kq {

enum class TLanguage : unsigned char { Auto, English, Japanese };

// "auto", "en", "ja" (any case); anything else is Auto.
TLanguage ParseLanguage(std::string_view key);
const char* LanguageKey(TLanguage lang);  // "auto", "en", "ja"

// The language Auto stands for now: Japanese when the locale's messages are Japanese
// (LANGUAGE, then LC_ALL, LC_MESSAGES, LANG starting with "ja"), else English.
TLanguage LocaleLanguage();

// Chooses the language of Tr(). folders: where to look for ja/LC_MESSAGES/kq001.mo, first found
// wins. Without a usable catalogue Japanese falls back to English. Returns the language in effect.
TLanguage SetLanguage(TLanguage lang, const std::vector<std::string>& folders);
TLanguage CurrentLanguage();

// The text in the current language; the English text itself when there is no translation
// (never an empty string for a non-empty text).
const char* Tr(const char* english);
std::string Tr(const std::string& english);

// text with every "{key}" replaced by value: translated texts name their parts, so a language
// may order them as it needs (or leave one out).
std::string Subst(std::string text, std::string_view key, std::string_view value);

}  // namespace kq

// gettext's usual spellings: _() translates, N_() only marks a text for the catalogue.
#ifndef _
#define _(text) ::kq::Tr(text)
#endif
#define N_(text) text
