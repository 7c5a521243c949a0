# SPDX-License-Identifier: Apache-2.0
# Python for the extension: the system's interpreter, whose pybind11 and numpy come from
# Debian's packages (an interpreter of one's own earlier on PATH has neither). Sets
# VORLINGS_PYTHON_FOUND.
if(NOT DEFINED Python_EXECUTABLE AND EXISTS /usr/bin/python3)
    set(Python_EXECUTABLE /usr/bin/python3 CACHE FILEPATH "The Python the extension is for")
endif()
find_package(Python 3 COMPONENTS Interpreter Development.Module NumPy)
set(PYBIND11_FINDPYTHON ON)
find_package(pybind11 2.6 CONFIG QUIET)
if(Python_FOUND AND Python_NumPy_FOUND AND pybind11_FOUND)
    set(VORLINGS_PYTHON_FOUND ON)
else()
    set(VORLINGS_PYTHON_FOUND OFF)
    message(WARNING "The Python extension is not built: it needs python3-dev, python3-numpy "
                    "and pybind11-dev (./run installs them)")
endif()
