/* Plug-in identity values fixed by the host contract: what GetPluginVersion and GetPluginAuthor give */
#ifndef PLINORINFO_VERSION_H
#define PLINORINFO_VERSION_H

/* The interface's version, 1.00, whatever the release (release_version.h). */
#define PLINORINFO_VERSION 100
#define PLINORINFO_AUTHOR "Yrn"

#endif
