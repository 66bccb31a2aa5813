# Built-in data of the program: help pages, icon and click sound, compiled into
# quorva_services as Qt resources (a static library must add them to its own target, or they
# are never registered). Included by services/CMakeLists.txt once quorva_services exists.

set(QUORVA_RESOURCES_DIR ${CMAKE_CURRENT_LIST_DIR})
set(QUORVA_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)

# The click sound is computed at build time, so no binary input lives in the repository.
add_executable(make_click ${QUORVA_RESOURCES_DIR}/../tools/make_click.cpp)
set_target_properties(make_click PROPERTIES AUTOMOC OFF AUTORCC OFF AUTOUIC OFF)
add_custom_command(
  OUTPUT ${QUORVA_GENERATED_DIR}/click.wav
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QUORVA_GENERATED_DIR}
  COMMAND make_click ${QUORVA_GENERATED_DIR}/click.wav
  DEPENDS make_click
  COMMENT "Synthesising the click sound"
  VERBATIM)
set_source_files_properties(${QUORVA_GENERATED_DIR}/click.wav PROPERTIES
  GENERATED TRUE
  QT_RESOURCE_ALIAS "sounds/click.wav")

qt_add_resources(quorva_services "quorva_data"
  PREFIX "/"
  BASE ${QUORVA_RESOURCES_DIR}
  FILES
    ${QUORVA_RESOURCES_DIR}/help/HTML/Getting_Started.html
    ${QUORVA_RESOURCES_DIR}/help/HTML/Whats_New.html
    ${QUORVA_RESOURCES_DIR}/icons/quorva.png
    ${QUORVA_RESOURCES_DIR}/icons/quorva-32.png
    ${QUORVA_GENERATED_DIR}/click.wav
  OUTPUT_TARGETS quorva_data_targets)
# In a static library the resources are an object library of their own that only consumers
# pull in; building quorva_services alone should still produce and check them.
if(quorva_data_targets)
  add_dependencies(quorva_services ${quorva_data_targets})
endif()

# The Read Me command opens readme.txt beside the executable.
configure_file(${QUORVA_RESOURCES_DIR}/readme.txt ${CMAKE_BINARY_DIR}/readme.txt COPYONLY)
