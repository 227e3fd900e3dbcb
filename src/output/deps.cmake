# Link dependencies of the output ports: RtMidi for system ports, FluidSynth for the built-in
# synthesizer, alsa-lib (Linux) to keep its error reports off stderr. Their compile flags go to
# the backend sources only, so the rest of the core keeps its own feature macros.
find_package(PkgConfig REQUIRED)
pkg_check_modules(RTMIDI REQUIRED rtmidi)
pkg_check_modules(FLUIDSYNTH REQUIRED fluidsynth)

# Library headers are system headers: our warning flags are not theirs to meet.
function(_tonvela_backend_flags source prefix)
  set(_opts ${${prefix}_CFLAGS_OTHER})
  foreach(_dir IN LISTS ${prefix}_INCLUDE_DIRS)
    list(APPEND _opts -isystem ${_dir})
  endforeach()
  set_property(SOURCE ${CMAKE_CURRENT_SOURCE_DIR}/output/${source} APPEND PROPERTY COMPILE_OPTIONS ${_opts})
endfunction()

_tonvela_backend_flags(system_ports.cpp RTMIDI)
_tonvela_backend_flags(fluid_synth.cpp FLUIDSYNTH)
set(_backend_libs ${RTMIDI_LINK_LIBRARIES} ${FLUIDSYNTH_LINK_LIBRARIES})
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  pkg_check_modules(ALSA REQUIRED alsa)
  _tonvela_backend_flags(system_ports.cpp ALSA)
  list(APPEND _backend_libs ${ALSA_LINK_LIBRARIES})
endif()
target_link_libraries(tonvela_output PRIVATE ${_backend_libs})
