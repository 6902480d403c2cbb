/* Reports (the answers as a terminal table or as JSON) */
#ifndef PLINORHOST_REPORT_H
#define PLINORHOST_REPORT_H

#include <stdint.h>

#include <string>
#include <vector>

/* One game as the plug-in described it; texts already in UTF-8. */
struct GameAnswer {
    std::string file; /* empty when asked by key */
    std::string key;
    bool found;
    std::string title, maker, genre, memo;
    int32_t year;
};

struct Identity {
    int32_t version;
    std::string author, description;
};

std::string TableReport(const std::vector<GameAnswer> &games, const Identity *about);
std::string JsonReport(const std::vector<GameAnswer> &games, const Identity *about);

#endif
