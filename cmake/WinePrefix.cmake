# Prepares the private Wine prefix once per build tree; every Windows-side
# test and tool runs in it (see wine-run.sh).
set(VELORIN_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(VELORIN_WINEPREFIX_STAMP ${VELORIN_WINEPREFIX}/.velorin-prepared)
add_custom_command(
    OUTPUT ${VELORIN_WINEPREFIX_STAMP}
    COMMAND ${CMAKE_COMMAND} -E env WINEPREFIX=${VELORIN_WINEPREFIX} WINEARCH=win32 WINEDEBUG=-all
            "WINEDLLOVERRIDES=mscoree,mshtml=;winemenubuilder.exe=d" wineboot -i
    COMMAND ${CMAKE_COMMAND} -E env WINEPREFIX=${VELORIN_WINEPREFIX} wineserver -w
    COMMAND ${CMAKE_COMMAND} -E touch ${VELORIN_WINEPREFIX_STAMP}
    COMMENT "Preparing the private Wine prefix"
    VERBATIM)
add_custom_target(wine-prefix ALL DEPENDS ${VELORIN_WINEPREFIX_STAMP})
