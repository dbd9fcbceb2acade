# Checks of the shipped exe read back from its PE file (subsystem, imports, version, dialogs, icon
# group, manifest), of the checker itself against faults planted in a copy, and of the committed
# icon against the script that draws it; and a second build of the exe elsewhere, for the same
# bytes. Only the i686 tree builds the shipped exe.
if(WIN32 AND CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  set(resources_check ${MORVIK_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/resources_check.py)
  set(recorder_ico ${PROJECT_SOURCE_DIR}/app/res/recorder.ico)
  add_test(NAME icon_file_redrawn_and_well_formed
    COMMAND ${resources_check} --ico ${recorder_ico} --icon-script ${PROJECT_SOURCE_DIR}/app/res/make_icon.py)
  if(TARGET MorvikWavRecorder)
    set(exe $<TARGET_FILE:MorvikWavRecorder>)
    add_test(NAME exe_resources_and_imports
      COMMAND ${resources_check} ${exe} --version ${PROJECT_VERSION} --ico ${recorder_ico})
    add_test(NAME exe_resources_check_catches_planted_faults
      COMMAND ${resources_check} --mutations ${exe} --version ${PROJECT_VERSION})
  endif()
  # Passed by the checker's own count, which it prints last: a crash part-way cannot pass.
  get_property(checks DIRECTORY PROPERTY TESTS)
  set_tests_properties(${checks} PROPERTIES PASS_REGULAR_EXPRESSION "(^|\n)[1-9][0-9]* passed, 0 failed\n$")
  if(TARGET MorvikWavRecorder)
    # The exe again, from a copy of the sources elsewhere: the same bytes.
    add_test(NAME exe_reproducible
      COMMAND ${CMAKE_CURRENT_LIST_DIR}/reproducible_build.sh ${PROJECT_SOURCE_DIR}
        ${exe} ${CMAKE_TOOLCHAIN_FILE} ${CMAKE_BUILD_TYPE})
    set_tests_properties(exe_reproducible PROPERTIES TIMEOUT 600)
  endif()
endif()
