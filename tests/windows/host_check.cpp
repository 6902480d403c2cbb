/* A Windows host in miniature: loads the DLL, asks through every export, unloads, reloads */
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>

#include "plinorinfo.h"
#include "two_calls.h"

static const char kFirst[] =
    "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<games>\r\n"
    "  <game>\r\n    <title>Lantern Keep</title>\r\n    <genre>9</genre>\r\n"
    "    <publisher>Quill Hollow</publisher>\r\n    <date>1994/11/02</date>\r\n"
    "    <comment>Save at any well</comment>\r\n    <crc32>00A1B2C3</crc32>\r\n  </game>\r\n"
    "  <game>\r\n    <title>Paper Derby</title>\r\n    <genre>8</genre>\r\n"
    "    <crc32>5EED1234</crc32>\r\n  </game>\r\n</games>\r\n";
static const char kSecond[] = "<games>\n<game>\n<title>Second Life Only</title>\n"
                              "<crc32>00A1B2C3</crc32>\n</game>\n</games>\n";

static int failures = 0;

static void Check(bool ok, const char *what, const std::string &got) {
    printf("%s %s (%s)\n", ok ? "ok  " : "FAIL", what, got.c_str());
    if (!ok) failures++;
}

/* Shift_JIS to UTF-8 through the code-page functions, as a Windows host shows it. */
static std::string Utf8FromSjis(const std::string &sjis) {
    wchar_t wide[512];
    char utf8[1024];
    int n = MultiByteToWideChar(932, 0, sjis.c_str(), -1, wide, 512);
    if (n == 0 || WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, NULL, NULL) == 0)
        return "(not Shift_JIS)";
    return utf8;
}

template <typename F> static F Export(HMODULE dll, const char *name) {
    F f = reinterpret_cast<F>(reinterpret_cast<void *>(GetProcAddress(dll, name)));
    Check(f != NULL, name, f != NULL ? "found" : "missing");
    return f;
}

/* The two calls a host makes: size with the flag 0 (out is never touched),
   then a copy into a buffer of exactly that size. */
static std::string Ask(PlinorTextQuery query, const char *text, const char *key) {
    TwoCalls calls = TwoCallText(query, text, key, reinterpret_cast<char **>(16));
    if (calls.size == NOT_FOUND) return "NOT_FOUND";
    if (calls.size < 1 || calls.size > 4096) return "bad size " + std::to_string(calls.size);
    return calls.copied == calls.size && calls.terminated ? calls.text : "copy disagrees with size";
}

static std::string IdentityText(PlinorIdentityText query, int32_t *size) {
    TwoCalls calls = TwoCallIdentity(query, reinterpret_cast<char **>(16));
    *size = calls.size;
    return calls.copied == calls.size && calls.terminated ? calls.text : "bad size";
}

static void FirstLife(HMODULE dll) {
    PlinorTextQuery title = Export<PlinorTextQuery>(dll, "GetTitle");
    PlinorTextQuery maker = Export<PlinorTextQuery>(dll, "GetMaker");
    PlinorTextQuery genre = Export<PlinorTextQuery>(dll, "GetGenre");
    PlinorTextQuery memo = Export<PlinorTextQuery>(dll, "GetMemo");
    PlinorYearQuery year = Export<PlinorYearQuery>(dll, "GetYear");
    PlinorVersionQuery version = Export<PlinorVersionQuery>(dll, "GetPluginVersion");
    PlinorIdentityText author = Export<PlinorIdentityText>(dll, "GetPluginAuthor");
    PlinorIdentityText info = Export<PlinorIdentityText>(dll, "GetPluginInfo");
    if (failures) return;

    std::string s;
    s = Ask(title, kFirst, "A1B2C3");
    Check(s == "Lantern Keep", "title by a padded key", s);
    s = Ask(maker, kFirst, "A1B2C3");
    Check(s == "Quill Hollow", "maker", s);
    s = Utf8FromSjis(Ask(genre, kFirst, "A1B2C3"));
    Check(s == "ロールプレイング", "genre in Shift_JIS", s);
    s = Ask(memo, kFirst, "A1B2C3");
    Check(s == "Save at any well", "memo", s);
    int32_t y = year(kFirst, "A1B2C3", 0);
    Check(y == 1994, "year", std::to_string(y));
    s = Utf8FromSjis(Ask(genre, kFirst, "5EED1234"));
    Check(s == "レース", "second game's genre", s);
    s = Ask(memo, kFirst, "5EED1234");
    Check(s.empty(), "an empty memo", s);
    s = Ask(title, kFirst, "DEADBEEF");
    Check(s == "NOT_FOUND", "a miss", s);
    y = year(kFirst, "DEADBEEF", 0);
    Check(y == -512, "a miss for the year", std::to_string(y));
    s = Ask(title, kSecond, "00A1B2C3");
    Check(s == "Lantern Keep", "the catalogue is read once per load", s);

    int32_t size = 0;
    y = version();
    Check(y == 100, "version", std::to_string(y));
    s = IdentityText(author, &size);
    Check(s == "Yrn" && size == 4, "author", s);
    s = Utf8FromSjis(IdentityText(info, &size));
    Check(s == "Plinorのdata.datから情報を取得するプラグインです" && size == 49, "description", s);
}

static void SecondLife(HMODULE dll) {
    PlinorTextQuery title = Export<PlinorTextQuery>(dll, "GetTitle");
    if (title == NULL) return;
    std::string s = Ask(title, kSecond, "00A1B2C3");
    Check(s == "Second Life Only", "a reload starts with an empty table", s);
}

int main(int argc, char **argv) {
    const char *path = argc > 1 ? argv[1] : "plinorinfo.dll";
    HMODULE dll = LoadLibraryA(path);
    Check(dll != NULL, "LoadLibrary", path);
    if (dll == NULL) return 1;
    FirstLife(dll);
    Check(FreeLibrary(dll) != 0, "FreeLibrary", "");
    Check(GetModuleHandleA(path) == NULL, "the DLL is unloaded", "");
    dll = LoadLibraryA(path);
    Check(dll != NULL, "LoadLibrary again", path);
    if (dll != NULL) {
        SecondLife(dll);
        FreeLibrary(dll);
    }
    printf("%d failed\n", failures);
    return failures == 0 ? 0 : 1;
}
