# Run by `cmake --install`: writes the installation's machine-wide hive, whose "Path" is the
# installed data folder under the prefix the install uses now (`--prefix DIR` included; DESTDIR is
# a staging folder and stays out of it). Set before it runs: TAGMORA_HIVE_TEMPLATE (machine.reg.in),
# TAGMORA_HIVE_OUTPUT (the file to write) and TAGMORA_DATADIR (the data folder, relative to the
# prefix or absolute).
if(IS_ABSOLUTE "${TAGMORA_DATADIR}")
  set(TAGMORA_INSTALL_PATH "${TAGMORA_DATADIR}/tagmora")
else()
  set(TAGMORA_INSTALL_PATH "${CMAKE_INSTALL_PREFIX}/${TAGMORA_DATADIR}/tagmora")
endif()
# The registry text form escapes backslashes and double quotes.
string(REPLACE "\\" "\\\\" TAGMORA_INSTALL_PATH "${TAGMORA_INSTALL_PATH}")
string(REPLACE "\"" "\\\"" TAGMORA_INSTALL_PATH "${TAGMORA_INSTALL_PATH}")
configure_file("${TAGMORA_HIVE_TEMPLATE}" "${TAGMORA_HIVE_OUTPUT}" @ONLY)
