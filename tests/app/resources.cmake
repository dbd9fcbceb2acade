# Checks of the shipped exe read back from its PE file (subsystem, imports, dialogs, icon group,
# manifest), of the checker itself against faults planted in a copy, and of the committed icon
# against the script that draws it; and a second build of the exe elsewhere, for the same bytes.
# Only the i686 tree builds the shipped exe.
if(WIN32 AND CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  set(resources_check ${CMAKE_CURRENT_LIST_DIR}/resources_check.py)
  set(recorder_ico ${PROJECT_SOURCE_DIR}/app/res/recorder.ico)
  add_test(NAME icon_file_redrawn_and_well_formed
    COMMAND ${Python3_EXECUTABLE} ${resources_check}
      --ico ${recorder_ico} --icon-script ${PROJECT_SOURCE_DIR}/app/res/make_icon.py)
  if(TARGET MorvikWavRecorder)
    add_test(NAME exe_resources_and_imports
      COMMAND ${Python3_EXECUTABLE} ${resources_check} $<TARGET_FILE:MorvikWavRecorder> --ico ${recorder_ico})
    add_test(NAME exe_resources_check_catches_planted_faults
      COMMAND ${Python3_EXECUTABLE} ${resources_check} --mutations $<TARGET_FILE:MorvikWavRecorder>)
    # The exe again, from a copy of the sources elsewhere: the same bytes.
    add_test(NAME exe_reproducible
      COMMAND ${CMAKE_CURRENT_LIST_DIR}/reproducible_build.sh ${PROJECT_SOURCE_DIR}
        $<TARGET_FILE:MorvikWavRecorder> ${CMAKE_TOOLCHAIN_FILE} ${CMAKE_BUILD_TYPE})
    set_tests_properties(exe_reproducible PROPERTIES TIMEOUT 600)
  endif()
endif()
