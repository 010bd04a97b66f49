add_test([=[Initialize.LoadsPolicyFromFixedPath]=]  /work/main/build/tests/Lifecycle_test [==[--gtest_filter=Initialize.LoadsPolicyFromFixedPath]==] --gtest_also_run_disabled_tests)
set_tests_properties([=[Initialize.LoadsPolicyFromFixedPath]=]  PROPERTIES WORKING_DIRECTORY /work/main/build/tests SKIP_REGULAR_EXPRESSION [==[\[  SKIPPED \]]==] ENVIRONMENT [==[VC_LOG_FILE=/work/main/build/test-logs/%p.log]==] [==[VC_LOG_LEVEL=DEBUG]==] TIMEOUT 120 RESOURCE_LOCK ppc_conf)
set(  Lifecycle_test_TESTS Initialize.LoadsPolicyFromFixedPath)
