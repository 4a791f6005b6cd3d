# Collects the sources of one dependency layer from several folders.
# A model subsystem keeps its widget code in a ui/ subfolder (src/events/ui/); that code belongs
# to the GUI layer, so model layers skip every ui/ folder and the GUI layer picks them up.
function(qr_collect_sources out)
  cmake_parse_arguments(ARG "UI_ONLY;NO_UI" "" "DIRS" ${ARGN})
  set(result)
  foreach(dir IN LISTS ARG_DIRS)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS
      ${PROJECT_SOURCE_DIR}/src/${dir}/*.cpp ${PROJECT_SOURCE_DIR}/src/${dir}/*.h)
    foreach(f IN LISTS found)
      file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR}/src/${dir} ${f})
      if(rel MATCHES "(^|/)ui/")
        if(NOT ARG_NO_UI)
          list(APPEND result ${f})
        endif()
      elseif(NOT ARG_UI_ONLY)
        list(APPEND result ${f})
      endif()
    endforeach()
  endforeach()
  list(FILTER result EXCLUDE REGEX "/src/app/main\\.cpp$")
  set(${out} ${result} PARENT_SCOPE)
endfunction()

function(qr_add_layer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
  if(NOT ARG_SOURCES)
    set(stub ${CMAKE_CURRENT_BINARY_DIR}/${name}_empty.cpp)
    file(WRITE ${stub} "// layer without sources yet\n")
    set(ARG_SOURCES ${stub})
  endif()
  # Ninja reruns moc only when a file it saw last time changes, so a newly globbed
  # Q_OBJECT header would go without its moc file. This list changes with the glob.
  set(source_list ${CMAKE_CURRENT_BINARY_DIR}/${name}_sources.h)
  list(JOIN ARG_SOURCES "\n// " listed)
  file(CONFIGURE OUTPUT ${source_list} CONTENT "// ${listed}\n")
  add_library(${name} ${QR_LAYER_TYPE} ${ARG_SOURCES} ${source_list})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_LINKS})
  target_compile_definitions(${name} PUBLIC
    QT_NO_CAST_FROM_BYTEARRAY QT_NO_URL_CAST_FROM_STRING
    QR_VERSION="${PROJECT_VERSION}")
  if(QR_PCH)
    target_precompile_headers(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src/pch.h)
  endif()
endfunction()

# The loader looks each symbol up through the libraries in the order the program names them, and the
# start makes many thousand look-ups, most into Qt's core libraries and the C and C++ libraries: named
# first, they spare it going past the thirty others each time. Naming them again changes nothing else.
function(qr_name_common_libraries_first target)
  target_link_options(${target} BEFORE PRIVATE "LINKER:--push-state,--no-as-needed"
    $<TARGET_LINKER_FILE:Qt6::Core> $<TARGET_LINKER_FILE:Qt6::Gui> $<TARGET_LINKER_FILE:Qt6::Widgets>
    -lstdc++ -l:libc.so.6 "LINKER:--pop-state")
endfunction()

# One QtTest executable per tst_*.cpp file, registered with CTest.
function(qr_add_tests)
  cmake_parse_arguments(ARG "" "" "LINKS" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp)
  set(pch_owner "")
  foreach(src IN LISTS tests)
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_link_libraries(${name} PRIVATE ${ARG_LINKS} qr_testsupport Qt6::Test)
    target_compile_definitions(${name} PRIVATE QR_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
    # Tests of one folder share compile flags, so the first one's precompiled header serves all.
    if(QR_PCH)
      if(pch_owner)
        target_precompile_headers(${name} REUSE_FROM ${pch_owner})
      else()
        target_precompile_headers(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src/pch.h)
        set(pch_owner ${name})
      endif()
    endif()
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT 300
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TZ=${QR_TESTS_TZ};LANG=C.UTF-8;LC_ALL=C.UTF-8;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp;ASAN_OPTIONS=detect_leaks=1;UBSAN_OPTIONS=print_stacktrace=1")
    if(QR_TSAN)
      # Five to ten times slower under ThreadSanitizer: QtTest's limit for one test function (300 s) and
      # CTest's for the program grow with it.
      set_tests_properties(${name} PROPERTIES TIMEOUT 3600)
      set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT
        "TSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/tsan.supp" "QTEST_FUNCTION_TIMEOUT=1800000")
    endif()
  endforeach()
endfunction()
