# The windows' shell: services every window uses, the main window, and the program itself.
add_library(quorva_services STATIC
  Clock.h Clock.cpp
  Colors.h Colors.cpp
  DialogKeys.h DialogKeys.cpp
  EventText.h EventText.cpp
  Constants.h
  Fonts.h Fonts.cpp
  GUI.h GUI.cpp
  HelpWindow.h HelpWindow.cpp
  HintWindow.h HintWindow.cpp
  InstallPaths.h InstallPaths.cpp
  MainOps.h MainOps.cpp
  Platform.h Platform.cpp
  Sound.h Sound.cpp
  Today.h Today.cpp
)
target_include_directories(quorva_services PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(quorva_services PUBLIC quorva_core quorva_settings
  Qt6::Widgets Qt6::Multimedia)
include(${CMAKE_SOURCE_DIR}/resources/resources.cmake OPTIONAL)

add_library(quorva_shell STATIC
  MainForm.h MainForm.cpp
  MonthStrip.h MonthStrip.cpp
  ShutdownSignals.h ShutdownSignals.cpp
  SingleInstance.h SingleInstance.cpp
)
target_link_libraries(quorva_shell PUBLIC quorva_services quorva_dialogs quorva_print Qt6::Network)

add_executable(quorva WIN32 main.cpp)
target_link_libraries(quorva PRIVATE quorva_shell)
