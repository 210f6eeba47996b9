# The hardening build flags Debian builds its packages with (dpkg-buildflags) beyond the
# compiler's defaults: checked string and memory functions (optimised builds only, which
# they need) and a relocation table made read-only at start. Not with the sanitizers,
# which replace those functions themselves.
if(NOT QROX_SANITIZE)
  add_compile_options($<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE> $<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>)
  add_link_options(LINKER:-z,relro LINKER:-z,now)
endif()
