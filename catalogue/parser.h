/* Catalogue parser (fills the game table from the catalogue text, once) */
#ifndef PLINOR_PARSER_H
#define PLINOR_PARSER_H

/* Parses the host's text into the game table unless it already holds a
   finished game. The text is never modified; null reads as empty. */
void LoadCatalogue(const char *catalogueText);

#endif
