# The tree removal's tests. The link test needs Unix links inside the prefix, which only
# the Linux side can make: a fixture lays them out before the tests run.
add_executable(remover_tests ${CMAKE_CURRENT_LIST_DIR}/TreeRemoverTest.cpp)
target_link_libraries(remover_tests PRIVATE orvalis_remover GTest::gtest_main)
add_dependencies(remover_tests wineprefix)
add_test(NAME remover_links_setup COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/make-links.sh ${ORVALIS_PREFIXES})
set_tests_properties(remover_links_setup PROPERTIES FIXTURES_SETUP remover_links)
gtest_discover_tests(remover_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    WORKING_DIRECTORY ${ORVALIS_STAGE}
    PROPERTIES FIXTURES_REQUIRED remover_links ${ORVALIS_TEST_RESOURCES})

# The same tests once more under Wine's Windows 98, where the removal takes its 9x walk: a copy
# of the program under its own name, for which a setup test of the same fixture sets Wine's version
# in every prefix of the pool.
add_executable(remover_tests_9x ${CMAKE_CURRENT_LIST_DIR}/TreeRemoverTest.cpp)
target_link_libraries(remover_tests_9x PRIVATE orvalis_remover GTest::gtest_main)
target_compile_definitions(remover_tests_9x PRIVATE ORVALIS_TEST_9X)
add_dependencies(remover_tests_9x wineprefix)
add_test(NAME remover_9x_setup
    COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/set-version.sh ${WINE_LOADER} remover_tests_9x.exe win98 ${ORVALIS_PREFIXES})
set_tests_properties(remover_9x_setup PROPERTIES FIXTURES_SETUP remover_links)
gtest_discover_tests(remover_tests_9x DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 TEST_PREFIX Win98.
    WORKING_DIRECTORY ${ORVALIS_STAGE}
    PROPERTIES FIXTURES_REQUIRED remover_links ${ORVALIS_TEST_RESOURCES})

# The removal against an attacker who swaps entries for links while it works (race.sh): the
# attacker runs on the Linux side, the removal is the real one through bench_remove.exe. It
# loads both cores itself, so it runs alone.
add_test(NAME TreeRemover_RaceWithLinkSwaps_LeavesOutsideIntact
    COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/race.sh ${ORVALIS_PREFIX} ${WINE_LOADER}
            ${CMAKE_CURRENT_BINARY_DIR}/race)
set_tests_properties(TreeRemover_RaceWithLinkSwaps_LeavesOutsideIntact PROPERTIES RUN_SERIAL TRUE TIMEOUT 120)
