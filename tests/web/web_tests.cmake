# The browser's build: the pure game tests as WebAssembly under Node, and the
# page itself, served on 127.0.0.1 and played in a real headless Chromium.
add_test(NAME CoreUnderNode COMMAND kubrask_core_tests)

# The rules play sounds: Node has no page to play them.
add_executable(kubrask_rules_tests board_support.cpp board_property_test.cpp board_test.cpp moves_test.cpp)
target_link_libraries(kubrask_rules_tests PRIVATE kubrask_game kubrask_platform GTest::gtest_main)
target_link_options(kubrask_rules_tests PRIVATE --pre-js ${CMAKE_CURRENT_SOURCE_DIR}/web/node_page.js)
add_test(NAME RulesUnderNode COMMAND kubrask_rules_tests)

# One frame drawn with the clock standing still, on a page of its own, held
# against the same frame drawn by the Linux build, where it has been built.
add_executable(frozen_frame frozen_frame.cpp)
target_link_libraries(frozen_frame PRIVATE kubrask_game kubrask_platform)
kubrask_web_page(frozen_frame ${PROJECT_BINARY_DIR}/picture-site)
set(KUBRASK_LINUX_BUILD ${PROJECT_SOURCE_DIR}/build/linux CACHE PATH "The Linux build whose drawing the page's is held against")
add_test(NAME PictureAgainstLinux COMMAND node ${CMAKE_CURRENT_SOURCE_DIR}/web/picture_test.mjs ${PROJECT_BINARY_DIR}/picture-site
         ${KUBRASK_LINUX_BUILD}/tests/frozen_frame ${PROJECT_SOURCE_DIR}/Data ${PROJECT_BINARY_DIR}/screenshots)
set_tests_properties(PictureAgainstLinux PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120)

# The page in a real Chromium: the tools first, then the game as a player
# meets it, and a whole game in real time (three minutes on the clock,
# started first so the others run beside it).
set(web_tests ${CMAKE_CURRENT_SOURCE_DIR}/web)
set(site ${PROJECT_BINARY_DIR}/site)
add_test(NAME ChromiumDriver COMMAND node ${web_tests}/driver_selftest.mjs)
add_test(NAME PageInChromium COMMAND node ${web_tests}/page_test.mjs ${site} ${CMAKE_CURRENT_BINARY_DIR}/page-test)
add_test(NAME GameInChromium COMMAND node ${web_tests}/game_test.mjs ${site} ${planned_game} ${CMAKE_CURRENT_BINARY_DIR}/game-test)
set_tests_properties(ChromiumDriver PageInChromium PROPERTIES TIMEOUT 300)
set_tests_properties(GameInChromium PROPERTIES TIMEOUT 400 COST 1000 LABELS realtime)
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/page-test ${CMAKE_CURRENT_BINARY_DIR}/game-test)

# The site's zip holds the site as it is built, and the page plays from it.
add_test(NAME PackageSite COMMAND ${CMAKE_CPACK_COMMAND} -G ZIP --config ${PROJECT_BINARY_DIR}/CPackConfig.cmake
         WORKING_DIRECTORY ${PROJECT_BINARY_DIR})
add_test(NAME SiteFromItsZip COMMAND node ${web_tests}/site_zip_test.mjs ${KUBRASK_SITE_ZIP} ${site})
set_tests_properties(PackageSite PROPERTIES FIXTURES_SETUP site-zip LABELS package)
set_tests_properties(SiteFromItsZip PROPERTIES FIXTURES_REQUIRED site-zip LABELS package TIMEOUT 120)
