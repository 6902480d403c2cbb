/* Message names (the list of every message; included where the list is needed) */
MESSAGE(M_LANGUAGE_NAME)
