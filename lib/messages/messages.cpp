/* Messages (a text by name and language, its placeholders filled) */
#include "messages.h"

#include <string.h>

const char *MessageText(MessageId id, Language language) {
    if (id < 0 || id >= MESSAGE_IDS) return "";
    const char *text = (language == LANGUAGE_JA ? kJapaneseMessages : kEnglishMessages)[id].text;
    return text != NULL && *text != '\0' ? text : kEnglishMessages[id].text; /* a test finds what lacks its Japanese */
}

std::string Say(Language language, MessageId id, std::initializer_list<std::string> args) {
    const char *text = MessageText(id, language);
    std::string out;
    for (const char *p = text; *p != '\0'; p++) {
        size_t n = (size_t)(p[1] - '1');
        if (p[0] == '{' && p[1] >= '1' && p[1] <= '9' && p[2] == '}' && n < args.size()) {
            out += args.begin()[n];
            p += 2;
        } else {
            out += *p;
        }
    }
    return out;
}

bool LanguageNamed(const std::string &name, Language *language) {
    if (name == "ja") *language = LANGUAGE_JA;
    else if (name == "en") *language = LANGUAGE_EN;
    else return false;
    return true;
}
