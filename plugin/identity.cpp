/* Plug-in identity (version, author and description for the host's list) */
#include "lookup.h"
#include "plinorinfo.h"
#include "version.h"

static const char pluginAuthor[] = PLINORINFO_AUTHOR;

/* Plinorのdata.datから情報を取得するプラグインです */
static const char pluginInfo[] =
    "Plinor\x82\xcc" "data.dat\x82\xa9\x82\xe7\x8f\xee\x95\xf1\x82\xf0\x8e\xe6\x93\xbe"
    "\x82\xb7\x82\xe9\x83\x76\x83\x89\x83\x4f\x83\x43\x83\x93\x82\xc5\x82\xb7";

extern "C" {

int32_t PLINORINFO_CALL GetPluginVersion(void) {
    return PLINORINFO_VERSION;
}

int32_t PLINORINFO_CALL GetPluginAuthor(char **out, int32_t copyFlag) {
    return AnswerText(pluginAuthor, (int32_t)sizeof pluginAuthor, out, copyFlag);
}

int32_t PLINORINFO_CALL GetPluginInfo(char **out, int32_t copyFlag) {
    return AnswerText(pluginInfo, (int32_t)sizeof pluginInfo, out, copyFlag);
}

}
