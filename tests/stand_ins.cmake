# Links the stand-ins of stand_ins.h into a program, in place of the layer's
# own calls of the same names (which they hand on to), and the layer's test
# build.
set(layer_stand_ins QueryPerformanceFrequency QueryPerformanceCounter timeGetTime MessageBoxA
    SwapBuffers RegisterClassA UnregisterClassA CreateWindowExA DestroyWindow GetDC ReleaseDC
    ChoosePixelFormat SetPixelFormat wglCreateContext wglMakeCurrent wglDeleteContext
    CreateFileMappingA MapViewOfFile MoveFileExA LocalAlloc CreateCompatibleDC CreateDIBSection
    SelectObject)
function(link_layer_stand_ins target)
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/stand_ins.cpp)
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    list(JOIN layer_stand_ins ",--wrap=" wraps)
    target_link_options(${target} PRIVATE "LINKER:--wrap=${wraps}")
    target_link_libraries(${target} PRIVATE kubrask_platform_for_tests)
endfunction()
