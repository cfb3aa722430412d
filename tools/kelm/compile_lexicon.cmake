# Compiles the main American English lexicon and its suggestion index (kelm
# writes ssceam2.idx beside ssceam2.clx) with the built kelm, after making
# sure the word lists are there: a missing Debian word list is the usual
# reason the build cannot make it. Called by the lexicons target with KELM,
# WORD_LIST, LEVELS and OUTPUT defined.
if(NOT EXISTS "${WORD_LIST}" OR NOT IS_DIRECTORY "${LEVELS}")
  message(FATAL_ERROR
    "The word list ${WORD_LIST} or the SCOWL level lists ${LEVELS} are missing, so the "
    "spelling lexicon cannot be compiled. Run scripts/bootstrap to install wamerican-large "
    "and scowl, then build again.")
endif()
execute_process(
  COMMAND "${KELM}" lexicon compile "${WORD_LIST}" "${OUTPUT}" --levels "${LEVELS}"
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "kelm lexicon compile failed (${result})")
endif()
