# zlv_gmouse_exe(name main_source): a Windows executable of the program, with
# its resources (dialogs, menus, icons, version, manifest) and wWinMain entry.
# ZLV_GMouse.exe (app/) and ZLV_GMouse_demo.exe (demo/exe/) are made with it.
set(ZLV_RESOURCE_DIR ${CMAKE_SOURCE_DIR}/resources)
set(ZLV_RESOURCE_SCRIPT ${ZLV_RESOURCE_DIR}/zlv_gmouse.rc)

function(zlv_gmouse_exe name main_source)
  # windres follows no #include for the files named by the script: list them.
  set_source_files_properties(${ZLV_RESOURCE_SCRIPT} PROPERTIES OBJECT_DEPENDS
    "${ZLV_RESOURCE_DIR}/resource_ids.h;${ZLV_RESOURCE_DIR}/version_info.rc;${CMAKE_BINARY_DIR}/generated/zlv_version.h;${ZLV_RESOURCE_DIR}/zlv_gmouse.ico;${ZLV_RESOURCE_DIR}/about.ico;${ZLV_RESOURCE_DIR}/zlv_gmouse.manifest")
  add_executable(${name} WIN32 ${main_source} ${ZLV_RESOURCE_SCRIPT})
  target_link_libraries(${name} PRIVATE zlv_win32)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  # The entry point is wWinMain.
  target_compile_options(${name} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-municode>)
  target_link_options(${name} PRIVATE -municode)
  set_target_properties(${name} PROPERTIES OUTPUT_NAME ${name})
  zlv_warnings(${name})
endfunction()
