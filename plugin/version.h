/* Plug-in version and author, for the identity exports and the version resource */
#ifndef PLINORINFO_VERSION_H
#define PLINORINFO_VERSION_H

#define PLINORINFO_VERSION 100 /* what GetPluginVersion reports: 1.00 */
#define PLINORINFO_FILE_VERSION 1, 0, 0, 0
#define PLINORINFO_VERSION_TEXT "1.0.0.0" /* the release is its first three numbers */
#define PLINORINFO_AUTHOR "Yrn"

#endif
