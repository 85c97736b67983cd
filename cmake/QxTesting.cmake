define_property(TARGET PROPERTY QX_USES_QT BRIEF_DOCS "links Qt" FULL_DOCS "Set by qx_library.")

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

# qx_library(<name> LABEL <folder> LIBS <dependencies...> [TEST_LIBS <extra...>] [QT_TESTS])
#
# One folder, one library: every .cpp of the folder that is not a *_test.cpp
# (and .qrc resources) makes the library; every *_test.cpp goes into one test
# executable <name>_tests. A folder with only headers is an interface library.
function(qx_library name)
  cmake_parse_arguments(L "QT_TESTS" "LABEL" "LIBS;TEST_LIBS" ${ARGN})
  set(dir ${CMAKE_CURRENT_SOURCE_DIR})
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.qrc)
  file(GLOB tests CONFIGURE_DEPENDS ${dir}/*_test.cpp)
  if(tests)
    list(REMOVE_ITEM sources ${tests})
  endif()
  set(uses_qt OFF)
  foreach(lib ${L_LIBS})
    if(lib MATCHES "^Qt6::" OR TARGET ${lib})
      get_target_property(_qt ${lib} QX_USES_QT)
      if(lib MATCHES "^Qt6::" OR _qt)
        set(uses_qt ON)
      endif()
    endif()
  endforeach()
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${L_LIBS})
    if(uses_qt)
      set_target_properties(${name} PROPERTIES AUTOMOC ON AUTORCC ON)
    endif()
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${L_LIBS})
  endif()
  set_target_properties(${name} PROPERTIES QX_USES_QT ${uses_qt})
  if(tests)
    if(L_QT_TESTS)
      qx_add_test(${name}_tests LABEL ${L_LABEL} SOURCES ${tests} LIBS ${name} ${L_TEST_LIBS} QT)
    else()
      qx_add_test(${name}_tests LABEL ${L_LABEL} SOURCES ${tests} LIBS ${name} ${L_TEST_LIBS})
    endif()
    if(uses_qt)
      set_target_properties(${name}_tests PROPERTIES AUTOMOC ON)
    endif()
  endif()
endfunction()
