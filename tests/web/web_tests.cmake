# The browser's build: the pure game tests as WebAssembly under Node, and the
# page itself, served on 127.0.0.1 and played in Debian's Chromium (headless)
# and Firefox ESR (on an X server of its own), both driven by puppeteer-core
# from the tree's node_modules (setup.sh installs it with npm ci).
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

set(web_tests ${CMAKE_CURRENT_SOURCE_DIR}/web)
set(site ${PROJECT_BINARY_DIR}/site)
set(scratch ${CMAKE_CURRENT_BINARY_DIR}/web-scratch)
set(screenshots ${PROJECT_BINARY_DIR}/screenshots)
file(MAKE_DIRECTORY ${scratch})
set(web ${PROJECT_SOURCE_DIR}/src/platform/web)
add_test(NAME ServeSite COMMAND node ${web_tests}/serve_test.mjs)
# What a player downloads stays under its budget.
add_test(NAME SiteSize COMMAND node ${web_tests}/site_size_test.mjs ${site} ${web_tests}/site_sizes.json)

# The whole games kept in the tree as journals, recorded on Linux and in the
# browser, played again under Node as the Linux build plays them, from the
# build folder, where the replay finds the art.
add_test(NAME JournalsUnderNode COMMAND bash ${PROJECT_SOURCE_DIR}/tests/replay_journals.sh
         ${PROJECT_SOURCE_DIR}/tests/journals node $<TARGET_FILE:kubrask_replay> WORKING_DIRECTORY ${PROJECT_BINARY_DIR})

# The site's zip holds the site as it is built, and the page plays from it.
add_test(NAME PackageSite COMMAND ${CMAKE_CPACK_COMMAND} -G ZIP --config ${PROJECT_BINARY_DIR}/CPackConfig.cmake
         WORKING_DIRECTORY ${PROJECT_BINARY_DIR})
set_tests_properties(PackageSite PROPERTIES FIXTURES_SETUP site-zip LABELS package)

# Every page test in both browsers: the controls and boxes; the whole game
# in real time, by keys and by touch (three minutes on the clock each,
# started first so the others run beside them), served by the Linux build's
# score server, sent to it and watched from it; touch play; the layouts;
# a game's journal, replayed under Node and watched; offline play and new
# versions; refused storage and frames; the picture against Linux's; the
# site's zip.
foreach(Browser Chromium Firefox)
    string(TOLOWER ${Browser} browser)
    add_test(NAME PageIn${Browser} COMMAND node ${web_tests}/page_test.mjs ${browser} ${site} ${scratch})
    add_test(NAME GameIn${Browser} COMMAND node ${web_tests}/game_test.mjs ${browser} keys ${site} ${planned_game} ${scratch}
             ${KUBRASK_LINUX_BUILD}/kubrask-server $<TARGET_FILE:kubrask_replay>)
    add_test(NAME TouchGameIn${Browser} COMMAND node ${web_tests}/game_test.mjs ${browser} touch ${site} ${planned_game} ${scratch}
             ${KUBRASK_LINUX_BUILD}/kubrask-server $<TARGET_FILE:kubrask_replay>)
    add_test(NAME TouchIn${Browser} COMMAND node ${web_tests}/touch_test.mjs ${browser} ${site} ${scratch})
    add_test(NAME LayoutsIn${Browser} COMMAND node ${web_tests}/layout_test.mjs ${browser} ${site} ${screenshots})
    add_test(NAME JournalIn${Browser} COMMAND node ${web_tests}/journal_test.mjs ${browser} ${site} ${planned_game} ${scratch}
             $<TARGET_FILE:kubrask_replay> ${PROJECT_SOURCE_DIR}/tests/journals/short-game.journal)
    add_test(NAME OfflineIn${Browser} COMMAND node ${web_tests}/offline_test.mjs ${browser} ${site} ${scratch}
             ${web}/service_worker.js ${web}/service_worker.cmake)
    add_test(NAME StorageRefusedIn${Browser} COMMAND node ${web_tests}/storage_test.mjs ${browser} ${site} ${scratch})
    add_test(NAME PictureAgainstLinuxIn${Browser} COMMAND node ${web_tests}/picture_test.mjs ${browser} ${PROJECT_BINARY_DIR}/picture-site
             ${KUBRASK_LINUX_BUILD}/tests/frozen_frame ${PROJECT_SOURCE_DIR}/Data ${screenshots})
    add_test(NAME SiteZipIn${Browser} COMMAND node ${web_tests}/site_zip_test.mjs ${browser} ${KUBRASK_SITE_ZIP} ${site})
    set_tests_properties(PageIn${Browser} TouchIn${Browser} LayoutsIn${Browser} JournalIn${Browser} OfflineIn${Browser}
                         StorageRefusedIn${Browser} PictureAgainstLinuxIn${Browser} PROPERTIES TIMEOUT 360)
    set_tests_properties(GameIn${Browser} TouchGameIn${Browser} PROPERTIES TIMEOUT 400 COST 1000 LABELS realtime)
    set_tests_properties(PictureAgainstLinuxIn${Browser} PROPERTIES SKIP_RETURN_CODE 77)
    set_tests_properties(SiteZipIn${Browser} PROPERTIES FIXTURES_REQUIRED site-zip LABELS package TIMEOUT 120)
endforeach()
