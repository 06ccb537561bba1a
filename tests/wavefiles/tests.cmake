# The converter tests run the built tool.
if(TARGET tamsel-convert)
  add_dependencies(${TAMSEL_TEST_TARGET} tamsel-convert)
  target_compile_definitions(${TAMSEL_TEST_TARGET} PRIVATE TAMSEL_CONVERT="$<TARGET_FILE:tamsel-convert>")
endif()
gtest_discover_tests(${TAMSEL_TEST_TARGET} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                     PROPERTIES ${TAMSEL_TEST_PROPERTIES})
# Preloaded into ffmpeg so that it writes gigabytes of silence as holes: its
# files past 4 GiB are compared with ours without filling the disk. Built
# without the sanitizers, whose run-time the peer program does not load.
add_library(tamsel_sparse_writes MODULE ${CMAKE_CURRENT_LIST_DIR}/SparseWrites.c)
target_compile_options(tamsel_sparse_writes PRIVATE -fno-sanitize=all)
target_link_options(tamsel_sparse_writes PRIVATE -fno-sanitize=all)
target_link_libraries(tamsel_sparse_writes PRIVATE ${CMAKE_DL_LIBS})
add_dependencies(${TAMSEL_TEST_TARGET} tamsel_sparse_writes)
target_compile_definitions(${TAMSEL_TEST_TARGET} PRIVATE TAMSEL_SPARSE_WRITES="$<TARGET_FILE:tamsel_sparse_writes>")
