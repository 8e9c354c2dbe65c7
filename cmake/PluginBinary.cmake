# How every plug-in binary links, and which of them the release carries.
#
# velorin_plugin_binary(TARGET)
#
# On Linux the module carries its own C++ runtime and libgcc, linked
# statically and hidden (--exclude-libs): a host built with another
# libstdc++ then never binds our calls to its copy or its calls to ours, and
# the module needs nothing of the system beyond glibc, libm and (for the
# editors) libX11.  The pieces of the runtime that the code calls come from
# plugin/CppRuntime.cpp, as in the DLL, which keeps the static runtime's
# exception machinery out, and with it the symbols of newer glibc releases
# that it needs.  The sanitizer tree keeps the shared runtime: the
# sanitizers intercept the allocation operators there, and an instrumented
# module is only ever loaded by an instrumented test host.  Every symbol is
# bound when the module is loaded (-z now), so no first call, on the audio
# thread or any other, ever stops in the dynamic linker.
#
# On Windows the DLL gets no link time stamp in its header, so the same
# sources give the same bytes on every build.
#
# The `plugins` target builds every binary that the release packages carry
# (each folder adds its own with add_dependencies): the release command
# builds that target in each tree and packages what it made.
add_custom_target(plugins)

function(velorin_plugin_binary target)
    if(VELORIN_WINDOWS)
        target_link_options(${target} PRIVATE -Wl,--no-insert-timestamp)
    elseif(NOT VELORIN_SANITIZE)
        target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/plugin/CppRuntime.cpp)
        target_link_options(${target} PRIVATE -static-libstdc++ -static-libgcc -Wl,--exclude-libs,ALL -Wl,-z,now)
    endif()
endfunction()
