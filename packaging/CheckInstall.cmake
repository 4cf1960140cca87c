# Installs the build into PREFIX and checks the result: every file in its
# place, and no path of this machine inside the shipped binaries.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(executable ${PREFIX}/${BINDIR}/tarvo)
set(plugin ${PREFIX}/${LIBDIR}/tarvo/tarvo-office.so)
set(simulator ${PREFIX}/${BINDIR}/tarvo-scale-sim)
foreach(f ${executable} ${plugin} ${simulator}
        ${PREFIX}/${DATADIR}/applications/tarvo.desktop
        ${PREFIX}/${DATADIR}/icons/hicolor/scalable/apps/tarvo.svg)
    if(NOT EXISTS ${f})
        message(FATAL_ERROR "not installed: ${f}")
    endif()
endforeach()

# The source folder holds the build folder here, so it covers both; an
# outside build folder is checked on its own.
foreach(folder ${SOURCE_DIR} ${BUILD_DIR})
    string(REGEX REPLACE "([][+.*?()^$|\\\\])" "\\\\\\1" pattern "${folder}")
    foreach(f ${executable} ${plugin} ${simulator})
        file(STRINGS ${f} found REGEX "${pattern}")
        if(found)
            list(GET found 0 first)
            message(FATAL_ERROR "${f} names the build machine's ${folder}: ${first}")
        endif()
    endforeach()
endforeach()

file(READ ${PREFIX}/${DATADIR}/applications/tarvo.desktop desktop)
foreach(line "Name=Tarvo" "Exec=tarvo" "Icon=tarvo" "Categories=Office;")
    string(FIND "${desktop}" "\n${line}\n" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "tarvo.desktop lacks ${line}")
    endif()
endforeach()
message(STATUS "installation in ${PREFIX} is complete")
