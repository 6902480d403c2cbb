/* English texts (every message, in the order of message_ids.h) */
#include "messages.h"

const MessageEntry kEnglishMessages[MESSAGE_IDS] = {
    {M_LANGUAGE_NAME, "English"},
};
