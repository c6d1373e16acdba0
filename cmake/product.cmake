# Flags shared by everything that ships or runs under Wine.

set(BRINDLEWICK_RESOURCES_DIR ${CMAKE_CURRENT_LIST_DIR}/../resources)
cmake_path(NORMAL_PATH BRINDLEWICK_RESOURCES_DIR)

# Code that goes into the shipped executable: no exceptions, no RTTI, and
# sections that the linker can drop one by one.
function(brindlewick_product_code target)
  target_compile_options(${target} PRIVATE
    $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti>
    -ffunction-sections -fdata-sections)
  if(WIN32)
    target_compile_definitions(${target} PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
      _WIN32_WINNT=0x0601)
    target_compile_options(${target} PRIVATE
      # Built for size whatever the build type: the whole image is a few
      # dozen KiB, and nothing in it is hot.
      -Os
      # The updater reads files a user can write and runs elevated: stack
      # buffers get a canary. It costs about 1 KiB.
      -fstack-protector-strong
      # Nothing that ends up in the image (assertion texts, __FILE__) keeps
      # the folders the tree was built in, so any checkout gives the same
      # bytes.
      -ffile-prefix-map=${PROJECT_SOURCE_DIR}/=
      -ffile-prefix-map=${PROJECT_BINARY_DIR}/=
      # The program runs on one thread: a function-local static needs no
      # lock, and the runtime's lock would bring its exception machinery.
      $<$<COMPILE_LANGUAGE:CXX>:-fno-threadsafe-statics>
      # std::string and std::wstring compiled here, without exceptions,
      # instead of the runtime's copies (see the header).
      $<$<COMPILE_LANGUAGE:CXX>:-include ${BRINDLEWICK_RESOURCES_DIR}/inline_strings.h>)
    # The canary's check lives in libssp, which the link step adds when it
    # sees the flag; consumers of a product library need it too.
    target_link_options(${target} INTERFACE -fstack-protector-strong)
  endif()
endfunction()

# Every Windows program we build, product or test, must run on a Windows that
# has no mingw runtime DLLs beside it.
function(brindlewick_windows_program target)
  target_link_options(${target} PRIVATE -static)
endfunction()

# The link of the executable that is shipped: small, hardened, and the same
# bytes from every build of the same sources.
function(brindlewick_shipped_image target)
  target_sources(${target} PRIVATE ${BRINDLEWICK_RESOURCES_DIR}/no_throw_runtime.cpp)
  target_link_options(${target} PRIVATE
    -fstack-protector-strong
    -Wl,--gc-sections
    # Symbols are no use to anyone who runs it, and they are most of the
    # unstripped size.
    -s
    # Address space layout randomisation with a 64-bit base, and no code
    # run from data pages. The relocations ASLR needs stay in the image.
    -Wl,--dynamicbase -Wl,--high-entropy-va -Wl,--nxcompat -Wl,--enable-reloc-section
    # No link time in the header, and no build id: both would change the
    # bytes with every build.
    -Wl,--no-insert-timestamp -Wl,--build-id=none)
endfunction()
