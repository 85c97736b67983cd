# qx_add_test(<name> LABEL <folder> SOURCES <files...> LIBS <targets...> [QT])
#
# One GoogleTest executable registered in CTest, every test labelled with the
# folder it belongs to. QT gives the executable a main() that creates a
# QApplication on the offscreen platform, for widget tests.
function(qx_add_test name)
  cmake_parse_arguments(T "QT" "LABEL" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  if(T_QT)
    target_link_libraries(${name} PRIVATE ${T_LIBS} qx_testmain_qt GTest::gtest GTest::gmock)
  else()
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gmock)
  endif()
  target_link_libraries(${name} PRIVATE qx_testsupport)
  gtest_discover_tests(${name}
      DISCOVERY_MODE PRE_TEST
      PROPERTIES LABELS ${T_LABEL}
                 ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
