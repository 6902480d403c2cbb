/* Japanese texts (every message, in the order of message_ids.h) */
#include "messages.h"

const MessageEntry kJapaneseMessages[MESSAGE_IDS] = {
    {M_LANGUAGE_NAME, "日本語"},
};
