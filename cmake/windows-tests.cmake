# GoogleTest built with the cross toolchain; tests run under Wine, one at a
# time since they share one virtual display and one mouse.
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# The portable tests, compiled for Windows: real Windows file handling.
add_executable(kesto_core_tests_win ${KESTO_PORTABLE_TESTS})
target_link_libraries(kesto_core_tests_win PRIVATE kesto_core gtest gtest_main)
target_link_options(kesto_core_tests_win PRIVATE ${static_runtime})
add_test(NAME win_core_tests COMMAND kesto_core_tests_win)

# Plug-ins for the hosting tests: each records what it receives.
foreach(name A B C)
  add_library(testplugin_${name} SHARED tests/plugins/test_plugin.cpp tests/plugins/test_plugin.def)
  set_target_properties(testplugin_${name} PROPERTIES PREFIX "" OUTPUT_NAME testplugin_${name})
  target_compile_definitions(testplugin_${name} PRIVATE PLUGIN_NAME="${name}")
  target_link_libraries(testplugin_${name} PRIVATE lsapi user32)
  target_include_directories(testplugin_${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_options(testplugin_${name} PRIVATE ${static_runtime})
endforeach()
foreach(name empty pumping)
  add_library(testplugin_${name} SHARED tests/plugins/${name}_plugin.cpp)
  set_target_properties(testplugin_${name} PROPERTIES PREFIX "" OUTPUT_NAME testplugin_${name})
  target_link_options(testplugin_${name} PRIVATE ${static_runtime})
endforeach()

# Kesto in the stand-in shell: white-box tests linked with the module's code.
file(GLOB win_test_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/*_test.cpp)
add_executable(kesto_win_tests ${win_test_sources} tests/win/fixture.cpp tests/win/test_main.cpp
  tests/win/import_counter.cpp
  tests/win/failing_allocator.cpp
  tests/win/stb_image_impl.cpp)
target_link_libraries(kesto_win_tests PRIVATE kesto_impl kesto_preview shellhost gtest psapi oleacc ole32 oleaut32)
target_compile_definitions(kesto_win_tests PRIVATE KESTO_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_link_options(kesto_win_tests PRIVATE ${static_runtime})
add_dependencies(kesto_win_tests Kesto testplugin_A testplugin_B testplugin_C testplugin_empty testplugin_pumping kesto-host
  kesto-preview)
add_test(NAME win_kesto_tests COMMAND kesto_win_tests WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
# The text and command paths once more against an older shell, which offers
# only the ANSI forms of its functions.
add_test(NAME win_ansi_shell_tests
         COMMAND kesto_win_tests --gtest_filter=Unicode*:Bang*:Reload*:Lifecycle*:Log*:Shortcut*:Content*
         WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set_tests_properties(win_ansi_shell_tests PROPERTIES ENVIRONMENT KESTO_TEST_ANSI_SHELL=1)
# Each part of Kesto once, for runs where time is dear (32-bit code through an
# emulator): scripts/win-suite.sh --representative runs only this.
set(kesto_representative
  AlphaBoxTest.ButtonsAreBlendedIntoThePictureAndBehaveAsButtons
  AutoReloadTest.EveryWayAnEditorSavesRebuildsTheBoxOnceWithTheNewValues
  BangTest.MoveAndResetPosAndWhatPositionMemorySaves
  BangTest.ClickCommandsThatDestroyTheirOwnBoxRunSafely
  ReloadTest.AReloadBuildsTheBoxAgainFromItsEditedFileWhereItStood
  BoxInputTest.DragMovesTheBoxAndRecordsItsPosition
  BoxTest.PlainBoxIsCutToItsNonMagentaPixels
  BoxTest.TiledBoxPlacesCornersEdgesAndCentre
  BoxTest.StackingStickinessAndVisibility
  ContentTest.GroupsSpanBoxesAndRememberBeingHidden
  ContentTest.TextLabelsAreDrawnIntoThePictureInTheirFontAndColour
  ContentTest.PluginsLoadInOrderAndShutDownInReverse
  ContentTest.APluginOfTheOtherArchitectureIsRefusedByName
  LifecycleTest.StartAndEndRunInTheirOrders
  LifecycleTest.KestoDllLoadsRunsAndUnloads
  MonitorsTest.BoxesOfAMonitorThatGoesComeOntoThePrimaryAndGoBackWithIt
  PositionMemoryTest.ARelativeNameIsWrittenBackToTheFileThatWasLoaded
  ReentrancyTest.TheModulesEndInsideABuildEndsEverythingOnceTheBuildIsOver
  OwnUnloadTest.*
  RobustnessTest.ImagesTooLargeForTheShellAreNeverHandedToIt
  ShortcutTest.HoverPressAndLeaveSwitchImagesAndAClickRunsOnce
  ShortcutTest.ATooltipShowsWhileTheMouseRestsOnItsButton
  TeardownTest.RememberedPositionIsWrittenModuloTheScreenKeepingEveryOtherLine
  UnicodeTest.EveryEncodingGivesAUnicodeTitleAndTooltipAndBangsFindTheNameInAnyCase)
list(JOIN kesto_representative ":" kesto_representative_filter)
add_test(NAME win_representative_tests COMMAND kesto_win_tests --gtest_filter=${kesto_representative_filter}
         WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set_tests_properties(win_kesto_tests win_core_tests win_ansi_shell_tests win_representative_tests PROPERTIES
                     RUN_SERIAL TRUE TIMEOUT 900)
# x86-64: the same part once more with the free address space below 4 GB
# reserved first, so every allocation of the program lies above it.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  add_test(NAME win_high_address_tests
           COMMAND kesto_win_tests --gtest_filter=HighAddressTest.*:${kesto_representative_filter}
           WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  set_tests_properties(win_high_address_tests PROPERTIES ENVIRONMENT KESTO_TEST_HIGH_ADDRESSES=1 RUN_SERIAL TRUE
                       TIMEOUT 900)
endif()

# Benchmark (run by scripts/bench.sh, not by the tests).
add_executable(bench_shortcuts_win bench/bench_shortcuts_win.cpp)
target_link_libraries(bench_shortcuts_win PRIVATE kesto_impl shellhost)
target_link_options(bench_shortcuts_win PRIVATE ${static_runtime})
add_executable(bench_costs_win bench/bench_costs_win.cpp)
target_link_libraries(bench_costs_win PRIVATE shellhost kesto_core comctl32 gdi32 user32)
target_link_options(bench_costs_win PRIVATE ${static_runtime})
