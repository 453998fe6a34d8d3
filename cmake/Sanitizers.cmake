# VX_SANITIZE=address builds with AddressSanitizer and UndefinedBehaviorSanitizer,
# VX_SANITIZE=thread with ThreadSanitizer. Applied to every target of the tree.
# VX_THREAD_SANITIZER tells the code which one runs, the same way under every compiler.
if(VX_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
elseif(VX_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_compile_definitions(VX_THREAD_SANITIZER)
  add_link_options(-fsanitize=thread)
endif()
if(VX_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address)
endif()
