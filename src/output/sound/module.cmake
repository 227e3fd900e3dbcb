# The sound module: RtMidi for system ports, FluidSynth for the built-in synthesizer, alsa-lib
# (Linux) to keep its error reports off stderr. Built as a module that tonvela_output loads at
# run time, so programs and commands that make no sound never load these libraries.
find_package(PkgConfig REQUIRED)
pkg_check_modules(RTMIDI REQUIRED rtmidi)
pkg_check_modules(FLUIDSYNTH REQUIRED fluidsynth)

add_library(tonvela_sound MODULE
  ${CMAKE_CURRENT_SOURCE_DIR}/output/sound/module.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/output/sound/fluid_synth.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/output/sound/system_ports.cpp)
# Only the interfaces of the output layer: the module links no library of the core.
target_include_directories(tonvela_sound PRIVATE ${CMAKE_BINARY_DIR}/include/tonvela_output)
target_compile_features(tonvela_sound PRIVATE cxx_std_20)
set_target_properties(tonvela_sound PROPERTIES
  PREFIX ""
  OUTPUT_NAME tonvela-sound
  CXX_VISIBILITY_PRESET hidden
  VISIBILITY_INLINES_HIDDEN ON
  # Beside tonvela-cli in the build tree.
  LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/cli)

# Library headers are system headers: our warning flags are not theirs to meet.
function(_tonvela_backend_flags source prefix)
  set(_opts ${${prefix}_CFLAGS_OTHER})
  foreach(_dir IN LISTS ${prefix}_INCLUDE_DIRS)
    list(APPEND _opts -isystem ${_dir})
  endforeach()
  set_property(SOURCE ${CMAKE_CURRENT_SOURCE_DIR}/output/sound/${source} APPEND PROPERTY COMPILE_OPTIONS ${_opts})
endfunction()

_tonvela_backend_flags(system_ports.cpp RTMIDI)
_tonvela_backend_flags(fluid_synth.cpp FLUIDSYNTH)
set(_backend_libs ${RTMIDI_LINK_LIBRARIES} ${FLUIDSYNTH_LINK_LIBRARIES})
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  pkg_check_modules(ALSA REQUIRED alsa)
  _tonvela_backend_flags(system_ports.cpp ALSA)
  list(APPEND _backend_libs ${ALSA_LINK_LIBRARIES})
endif()
target_link_libraries(tonvela_sound PRIVATE ${_backend_libs})

# Whatever links the output layer gets the module built too.
add_dependencies(tonvela_output tonvela_sound)

include(GNUInstallDirs)
install(TARGETS tonvela_sound LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/tonvela)
# Where the loader looks: the installed library folder relative to the program's folder, and
# this build tree.
file(RELATIVE_PATH _tonvela_sound_installed ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR}/tonvela)
set_property(SOURCE ${CMAKE_CURRENT_SOURCE_DIR}/output/sound_module.cpp APPEND PROPERTY COMPILE_DEFINITIONS
  TONVELA_SOUND_MODULE_NAME="tonvela-sound${CMAKE_SHARED_MODULE_SUFFIX}"
  TONVELA_SOUND_MODULE_INSTALLED="${_tonvela_sound_installed}"
  TONVELA_SOUND_MODULE_BUILT="${CMAKE_BINARY_DIR}/cli")
