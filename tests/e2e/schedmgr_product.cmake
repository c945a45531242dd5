# The product end to end: schedmgr-setup.exe installed, started and
# uninstalled as a person would, and the help that the program opens.
if(TARGET schedmgr_setup AND TARGET e2e_schedmgr_support)
  add_executable(record_args ${CMAKE_CURRENT_LIST_DIR}/record_args.cpp)
  marrowby_test(e2e_product
    ${CMAKE_CURRENT_LIST_DIR}/product_e2e_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/help_e2e_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/product_pictures_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/product_setup.cpp
    LIBS e2e_schedmgr_support marrowby_version advapi32 shell32
    TIMEOUT 600)
  target_include_directories(e2e_product PRIVATE ${PROJECT_SOURCE_DIR})
  add_dependencies(e2e_product schedmgr_setup schedmgr record_args guide)
endif()
