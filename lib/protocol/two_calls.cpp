/* Two calls (a text answer as a host takes it: the size, then a copy) */
#include "two_calls.h"

#include <string.h>

#include <vector>

typedef int32_t (*CopyCall)(const void *context, char **out);

static TwoCalls CopyAfterSize(int32_t size, CopyCall copy, const void *context) {
    TwoCalls answer = {size, 0, false, ""};
    if (size < 1) return answer;
    std::vector<char> buffer((size_t)size, '\x7f');
    char *out = buffer.data();
    answer.copied = copy(context, &out);
    const char *nul = (const char *)memchr(buffer.data(), '\0', buffer.size());
    size_t length = nul != NULL ? (size_t)(nul - buffer.data()) : buffer.size();
    answer.terminated = length == buffer.size() - 1;
    answer.text.assign(buffer.data(), length);
    return answer;
}

struct TextCall {
    PlinorTextQuery query;
    const char *catalogue, *key;
};

TwoCalls TwoCallText(PlinorTextQuery query, const char *catalogue, const char *key, char **sizeOut) {
    TextCall call = {query, catalogue, key};
    return CopyAfterSize(query(catalogue, key, 0, sizeOut, 0), [](const void *context, char **out) {
        const TextCall *c = static_cast<const TextCall *>(context);
        return c->query(c->catalogue, c->key, 0, out, 1);
    }, &call);
}

TwoCalls TwoCallIdentity(PlinorIdentityText query, char **sizeOut) {
    return CopyAfterSize(query(sizeOut, 0), [](const void *context, char **out) {
        return (*static_cast<const PlinorIdentityText *>(context))(out, 1);
    }, &query);
}
