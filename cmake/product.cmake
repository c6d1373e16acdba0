# Flags shared by everything that ships or runs under Wine.

# Code that goes into the shipped executable: no exceptions, no RTTI, and
# sections that the linker can drop one by one.
function(brindlewick_product_code target)
  target_compile_options(${target} PRIVATE
    $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti>
    -ffunction-sections -fdata-sections)
  if(WIN32)
    target_compile_definitions(${target} PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
      _WIN32_WINNT=0x0601)
  endif()
endfunction()

# Every Windows program we build, product or test, must run on a Windows that
# has no mingw runtime DLLs beside it.
function(brindlewick_windows_program target)
  target_link_options(${target} PRIVATE -static)
endfunction()
