# DESKPET_SANITIZE=ON builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer; undefined behaviour aborts instead of being reported
# and ignored.
if(DESKPET_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=address,undefined)
endif()
