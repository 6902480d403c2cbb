/* Messages (every text the tools write for a person, in each language, by name) */
#ifndef PLINOR_MESSAGES_H
#define PLINOR_MESSAGES_H

#include <stddef.h>

#include <initializer_list>
#include <string>

enum Language { LANGUAGE_EN, LANGUAGE_JA, LANGUAGES };

/* Every text, by name. Each language's file lists them all, in this order;
   "{1}" to "{9}" in a text stand for its arguments, so that a translation
   may put them in another order. */
enum MessageId {
#define MESSAGE(id) id,
#include "message_ids.h"
#undef MESSAGE
    MESSAGE_IDS
};

struct MessageEntry {
    MessageId id;
    const char *text; /* UTF-8 */
};

/* Each language's texts, in the order of MessageId; tests check that. */
extern const MessageEntry kEnglishMessages[MESSAGE_IDS];
extern const MessageEntry kJapaneseMessages[MESSAGE_IDS];

const char *MessageText(MessageId id, Language language);

/* The text with its placeholders filled: "{2}" by the second argument. A
   placeholder without an argument is left as it stands. */
std::string Say(Language language, MessageId id, std::initializer_list<std::string> args = {});

/* "ja" or "en", as --lang takes them; false for anything else. */
bool LanguageNamed(const std::string &name, Language *language);

#endif
