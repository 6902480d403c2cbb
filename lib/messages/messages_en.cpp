/* English texts (every message, in the order of message_ids.h) */
#include "messages.h"

const MessageEntry kEnglishMessages[MESSAGE_IDS] = {
    {M_LANGUAGE_NAME, "English"},
    /* The checker's findings */
    {M_CHECK_BYTE, "{1} byte"},
    {M_CHECK_BYTES, "{1} bytes"},
    {M_CHECK_JOIN, "{1}; {2}"},
    {M_CHECK_SO, ", so {1}"},
    {M_CHECK_NO_GAME_ENDS, "no game ends here"},
    {M_CHECK_PARSE_GOES_ON, "the parse does not end here"},
    {M_CHECK_LINE_SETS_NOTHING, "the line sets nothing"},
    {M_CHECK_GAME_TITLED, "game \"{1}\""},
    {M_CHECK_GAME_KEYED, "game {1}"},
    {M_CHECK_A_GAME, "a game"},
    {M_CHECK_LONG_LINE, "the line is {1}; the plug-in reads only the first {2}: {3}"},
    {M_CHECK_VALUE_DROPPED, "the {1} value is dropped whole, because its {2} ends past byte {3}"},
    {M_CHECK_TAG_NOT_SEEN, "{1} at byte {2} is not seen{3}"},
    {M_CHECK_NOTHING_PAST, "nothing of use lies past byte {1}"},
    {M_CHECK_SHADOWED_TAG, "{1} is ignored: {2}"},
    {M_CHECK_A_SECOND, "a second {1}"},
    {M_CHECK_END_OF_GAMES_ENDS_PARSE, "{1} on this line ends the parse"},
    {M_CHECK_FIRST_TAG_COUNTS, "only a line's first {1} counts"},
    {M_CHECK_TAG_COMES_FIRST, "{1} comes first in the order the plug-in tests, and takes this line"},
    {M_CHECK_ONE_GAME_ENDS, ": one game ends here, not two"},
    {M_CHECK_TAG_WRONG_CASE, "{1} is not {2}: tags match exactly, letter case included, so {3}"},
    {M_CHECK_TAG_UNKNOWN, "{1} is not a tag the plug-in knows ({2}?), so {3}"},
    {M_CHECK_LONG_CRC32, "{1} \"{2}\" is {3} bytes, cut to {4}: the game cannot be found by its full value"},
    {M_CHECK_PADDED_CRC32, "{1} \"{2}\" can be found by no key: a key of its length is first padded with "
                           "zeros, to \"{3}\""},
    {M_CHECK_ODD_CRC32, "{1} \"{2}\" is not 8 hexadecimal digits"},
    {M_CHECK_LOWER_CASE_CRC32, "{1} \"{2}\" is in lower case: hosts usually ask in upper case, and keys match case"},
    {M_CHECK_GENRE_KEPT, "genre code \"{1}\" is not one of 0 to 10: the genre keeps \"{2}\""},
    {M_CHECK_GENRE_EMPTY, "genre code \"{1}\" is not one of 0 to 10: the genre stays empty"},
    {M_CHECK_ODD_DATE, "date \"{1}\" does not begin with a four-digit year: the year reads as {2}"},
    {M_CHECK_UNCLOSED_TAG, "{1} has no {2} after it on this line: the line sets nothing"},
    {M_CHECK_FIELD_SET_TWICE, "{1} is set again in {2} (first at line {3}): the later value wins"},
    {M_CHECK_MERGED_GAME, "a game begins, but no {1} came since line {2}: {3} and the game that begins here "
                          "become one, the later lines winning"},
    {M_CHECK_DUPLICATE_CRC32, "{1} is unreachable: {2} (line {3}) has the same key \"{4}\", and every query "
                              "finds that one first"},
    {M_CHECK_EMPTY_CRC32, "{1} has an empty {2}: it can be found only by the empty key"},
    {M_CHECK_NO_CRC32, "{1} has no {2}: it can be found only by the empty key"},
    {M_CHECK_NOT_SHIFT_JIS_BYTE, "byte {1} at column {2} is not Shift_JIS: hosts show something else in its place"},
    {M_CHECK_NOT_SHIFT_JIS_BYTES, "bytes {1} {2} at column {3} are not Shift_JIS: hosts show something else in "
                                  "its place"},
    {M_CHECK_LONE_CARRIAGE_RETURN, "lines end in a carriage return alone: the plug-in ends a line only at a "
                                   "line feed, so it reads {1} lines here as one, and only its first {2} bytes"},
    {M_CHECK_AFTER_END_OF_GAMES, "never read: it comes after {1} (line {2})"},
    {M_CHECK_TOO_MANY_GAMES_ONE, "{1} games fill the plug-in's table, and it stops reading here: the game "
                                 "after this line is ignored"},
    {M_CHECK_TOO_MANY_GAMES, "{1} games fill the plug-in's table, and it stops reading here: the {2} games "
                             "after this line are ignored"},
    {M_CHECK_NO_END_OF_GAMES, "no {1}: the plug-in reads to the end of the text"},
    {M_CHECK_UNFINISHED_GAME, "the fields from here on are never findable: no {1} follows them"},
    {M_CHECK_NO_GAME, "no game is finished: every query parses the whole text again, and finds nothing"},
    {M_CHECK_UTF8_MARK, "a UTF-8 byte-order mark: its three bytes begin the first line as text"},
    {M_CHECK_UTF16_MARK, "a UTF-16 byte-order mark: the plug-in reads 8-bit text, and finds nothing in UTF-16"},
    {M_CHECK_NUL_BYTE, "a NUL byte: the plug-in sees nothing after it ({1})"},
    {M_CHECK_UTF8_TEXT, "the text reads as UTF-8, but hosts take it as Shift_JIS: its non-ASCII text comes out "
                        "garbled, and genre names are Shift_JIS"},
    /* What each kind of finding means */
    {M_KIND_LONG_LINE, "the plug-in reads only the first 259 bytes of a line: a value whose closing tag lies "
                       "beyond is dropped whole, and a tag beyond is not seen"},
    {M_KIND_UNCLOSED_TAG, "an opening tag without its closing tag after it on the line: the line sets nothing"},
    {M_KIND_SHADOWED_TAG, "a line counts only its first tag in the order </games>, <title>, <genre>, "
                          "<publisher>, <date>, <comment>, <crc32>, </game>; the others on it are ignored"},
    {M_KIND_UNKNOWN_TAG, "tags match exactly: <TITLE>, <Title> or <titel> is no <title>, and </GAME> ends no game"},
    {M_KIND_LONG_CRC32, "a checksum over 15 bytes is cut to 15: the full value finds nothing"},
    {M_KIND_ODD_CRC32, "a checksum that is not 8 hexadecimal digits; one of 5 to 7 characters is found by no "
                       "key at all, since such keys are padded to 8"},
    {M_KIND_LOWER_CASE_CRC32, "keys match case, and hosts usually ask in upper case"},
    {M_KIND_DUPLICATE_CRC32, "a later game with an earlier game's checksum is never reached"},
    {M_KIND_NO_CRC32, "a finished game without a checksum is found only by the empty key"},
    {M_KIND_UNLISTED_GENRE, "a genre code other than 0 to 10: the genre stays empty or keeps an earlier value"},
    {M_KIND_ODD_DATE, "the date's first four bytes do not read as a year"},
    {M_KIND_FIELD_SET_TWICE, "a field set twice in a game: the later value wins"},
    {M_KIND_MERGED_GAME, "no </game> before the next game: the two become one"},
    {M_KIND_UNFINISHED_GAME, "fields after the last </game> are never findable"},
    {M_KIND_NO_END_OF_GAMES, "no </games>: the plug-in reads to the end of the text"},
    {M_KIND_AFTER_END_OF_GAMES, "text after </games> is never read"},
    {M_KIND_TOO_MANY_GAMES, "games past the 20000th are ignored"},
    {M_KIND_NUL_BYTE, "nothing after a NUL byte is seen"},
    {M_KIND_NOT_SHIFT_JIS, "bytes that a host shows as U+FFFD: bytes that start no Shift_JIS character, and "
                           "pairs that code page 932 leaves unassigned"},
    {M_KIND_BYTE_ORDER_MARK, "a UTF-8 or UTF-16 byte-order mark"},
    {M_KIND_UTF8_TEXT, "text that reads as UTF-8, where hosts read Shift_JIS"},
    {M_KIND_LONE_CARRIAGE_RETURN, "lines that end in a carriage return alone: the plug-in ends lines only at "
                                  "line feeds, and reads them as one"},
    {M_KIND_NO_GAME, "no game is finished: every query parses the whole text again, and finds nothing"},
    /* Why a key is found or not */
    {M_KEY_FOUND, "found: the game at line {1}, its key set at line {2}"},
    {M_KEY_HIDDEN, "found in the game at line {1}, its key set at line {2}; the later game whose key is set at "
                   "line {3} has the same key, and is hidden by it: every query finds the first game with a key"},
    {M_KEY_NO_GAME, "not found: no game in the catalogue has this key"},
    {M_KEY_PAST_TABLE, "not found: its game (line {1}, its key set at line {2}) comes after the {3} games that "
                       "fill the plug-in's table, and the plug-in stops reading at line {4}"},
    {M_KEY_AFTER_END, "not found: its game (line {1}, its key set at line {2}) comes after the {3} at line "
                      "{4}, where the plug-in stops reading"},
    {M_KEY_UNFINISHED, "not found: its game (line {1}, its key set at line {2}) never ends: no {3} follows it"},
    {M_KEY_MERGED, "not found: its game (line {1}, its key set at line {2}) has no {3} before the next game "
                   "begins, and that game's key, set at line {4}, replaces it"},
    {M_KEY_SET_AGAIN, "not found: its game (line {1}) sets its key at line {2} and again at line {3}: the "
                      "later value wins"},
    {M_KEY_VALUE_DROPPED, "not found: the {1} value on line {2} is dropped whole, because its {3} ends past "
                          "byte {4}"},
    {M_KEY_TAG_NOT_SEEN, "not found: the {1} on line {2} ends past byte {3}, and the plug-in reads only the "
                         "first {3} bytes of a line"},
    {M_KEY_SHADOWED, "not found: line {1} holds it, but {2} comes first on that line in the order the plug-in "
                     "tests, and takes the line"},
    {M_KEY_CUT, "not found: the catalogue's {1} \"{2}\" at line {3} is cut to {4} bytes, \"{5}\", and the "
                "plug-in takes no key longer than {4} bytes"},
    {M_KEY_CASE_OR_PADDING, "not found: the catalogue has \"{1}\" (line {2}), and keys match exactly, letter "
                            "case and leading zeros included"},
    {M_KEY_PADDED_AWAY, "not found: the catalogue has \"{1}\" (line {2}), which no key finds: a key of 5 to 7 "
                        "characters is first padded with zeros to 8"},
    {M_KEY_DECORATED, "not found: the catalogue's key at line {1} is \"{2}\": the spaces or 0x around its "
                      "digits are part of it, and keys match exactly"},
};
