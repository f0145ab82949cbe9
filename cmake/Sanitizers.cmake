# Sanitizers apply to every target of a native build.
if(ZLV_SANITIZE)
  if(WIN32)
    message(FATAL_ERROR "Sanitizers are for the native build only")
  endif()
  add_compile_options(-fsanitize=${ZLV_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${ZLV_SANITIZE})
endif()
