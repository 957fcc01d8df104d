# QX7_SANITIZE=ON builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer; any report aborts the process so that a test
# run under the sanitizers fails loudly instead of printing and carrying on.
if(QX7_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                        -fno-omit-frame-pointer -g)
    add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
endif()
