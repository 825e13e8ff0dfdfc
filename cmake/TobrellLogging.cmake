# Logging: a real Log4Qt wins where one is installed; otherwise our own thin layer on
# log4cxx (src/log4qt). Sets TOBRELL_LOG_LIBS to what a program links for logging.

# Log4Qt's package file names Qt5::Core and Qt5::Concurrent without looking for them.
find_package(Qt5 5.15 QUIET COMPONENTS Concurrent)

# Where an installed copy lost its soname link (copied as a text file), the link is
# made in the build folder, so programs built against it start from there.
function(tobrell_log4qt_soname_link)
    get_target_property(location Log4Qt::log4qt IMPORTED_LOCATION_RELEASE)
    get_target_property(soname Log4Qt::log4qt IMPORTED_SONAME_RELEASE)
    get_filename_component(dir ${location} DIRECTORY)
    if(soname AND NOT IS_SYMLINK ${dir}/${soname})
        file(SIZE ${dir}/${soname} size)
        if(size LESS 4096)
            file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/log4qt-lib)
            file(CREATE_LINK ${location} ${CMAKE_BINARY_DIR}/log4qt-lib/${soname} SYMBOLIC)
            set_property(TARGET Log4Qt::log4qt APPEND PROPERTY INTERFACE_LINK_OPTIONS
                         "-Wl,-rpath,${CMAKE_BINARY_DIR}/log4qt-lib")
        endif()
    endif()
endfunction()

find_package(Log4Qt QUIET)
if(Log4Qt_FOUND)
    message(STATUS "Logging: Log4Qt ${Log4Qt_VERSION}")
    tobrell_log4qt_soname_link()
    set(TOBRELL_LOG_LIBS Log4Qt::log4qt)
else()
    add_subdirectory(${CMAKE_SOURCE_DIR}/src/log4qt ${CMAKE_BINARY_DIR}/src/log4qt)
    set(TOBRELL_LOG_LIBS tobrell_log4qt)
endif()
