# The suites that run under Wine on the Windows build: everything that needs
# no simulator, FTP server or program started from the test itself.
set(here ${CMAKE_CURRENT_SOURCE_DIR})

add_library(test_faulty_disk STATIC support/faulty_disk.cc)
target_link_libraries(test_faulty_disk PUBLIC platform)
add_library(test_fake_station STATIC support/fake_station.cc)
target_link_libraries(test_fake_station PUBLIC agent_acquisition agent_families)

tvl_add_gtest(platform_system_test
  SOURCES platform/env_test.cc platform/files_test.cc platform/environment_test.cc
  LIBS platform)
tvl_add_gtest(platform_text_test SOURCES platform/text_encoding_test.cc LIBS platform)

tvl_add_gtest(stationlib_data_tests
  SOURCES stationlib/data/derived_test.cc stationlib/data/current_data_test.cc
          stationlib/data/hilows_test.cc stationlib/data/alarm_block_test.cc
          stationlib/data/settings_codec_test.cc stationlib/data/forecast_test.cc
          stationlib/data/fuzz_test.cc
  LIBS stationlib_data)

tvl_add_gtest(agent_core_test
  SOURCES agent/core/keyed_table_test.cc agent/core/configuration_test.cc
          agent/core/placeholders_test.cc agent/core/journal_test.cc
  LIBS agent_core test_faulty_disk)
tvl_add_gtest(agent_catalogue_test
  SOURCES agent/catalogue/station_values_test.cc agent/catalogue/catalogue_test.cc
  LIBS agent_catalogue)
tvl_add_gtest(agent_catalogue_texts_test
  SOURCES agent/catalogue/forecast_codes_test.cc agent/catalogue/derived_texts_test.cc
  LIBS agent_catalogue)

tvl_add_gtest(agent_images_test
  SOURCES agent/images/carried_images_test.cc agent/images/icon_choice_test.cc
          agent/images/icon_publisher_test.cc agent/images/wind_rose_test.cc
  LIBS agent_images imagegen_artwork
  TIMEOUT 240)
target_compile_definitions(agent_images_test PRIVATE
  TVL_IMAGES_GOLDEN_DIR="${here}/agent/images/golden"
  TVL_IMAGES_RESOURCES_DIR="${PROJECT_SOURCE_DIR}/agent/resources")

tvl_add_gtest(agent_catalogue_families_test
  SOURCES agent/families/current_data_test.cc agent/families/highs_lows_test.cc
          agent/families/station_configuration_test.cc agent/families/full_catalogue_test.cc
  LIBS agent_families test_fake_station test_faulty_disk)
tvl_add_gtest(agent_alarms_test
  SOURCES agent/families/alarm_tables_test.cc agent/families/alarm_watch_test.cc
  LIBS agent_families test_faulty_disk)

tvl_add_gtest(publication_templates_test
  SOURCES agent/publication/tag_substitution_test.cc agent/publication/template_text_test.cc
          agent/publication/fill_template_test.cc support/publication_fixture.cc
  LIBS agent_publication)

# The export table of OrbiskPro.dll is exactly the library interface's names.
add_test(NAME windows_exports
         COMMAND ${here}/windows/check_exports.sh $<TARGET_FILE:OrbiskPro>
                 ${PROJECT_SOURCE_DIR}/stationlib/api)
