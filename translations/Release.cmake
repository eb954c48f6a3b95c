# Compiles the English translation; fails on any entry without a finished
# translation, so a text never shows in Chinese by mistake in the English program.
execute_process(COMMAND ${LRELEASE} ${TS} -qm ${QM}
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "lrelease failed: ${out}${err}")
endif()
if(NOT out MATCHES "\\(([0-9]+) finished and 0 unfinished\\)" OR out MATCHES "Ignored")
  message(FATAL_ERROR "${TS} has unfinished translations (scripts/translations.sh check lists them):\n${out}")
endif()
