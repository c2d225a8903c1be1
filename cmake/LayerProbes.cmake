# Each probe is a one-line source, `#include <header>`, compiled with exactly the include
# paths, definitions and options of a layer's own sources. A CTest builds it on demand
# (the probes are outside `all`) and checks the outcome: a forbidden header must fail
# with "not found"; an allowed one must compile, which shows that the forbidden ones
# fail for the right reason and not because the probe itself is broken.

set(vorlap_probe_dir ${CMAKE_BINARY_DIR}/layer-probes)

# vorlap_layer_probe(LIBRARY <sees|misses> HEADER...): a project header by its path
# under src/ (ui/VorlapApp.h), a system one in brackets (<QWidget>).
function(vorlap_layer_probe library expectation)
  foreach(header IN LISTS ARGN)
    string(MAKE_C_IDENTIFIER "${library}_${expectation}_${header}" id)
    set(source ${vorlap_probe_dir}/${id}.cpp)
    if(header MATCHES "^<")
      set(line "#include ${header}")
    else()
      set(line "#include \"${header}\"")
    endif()
    file(CONFIGURE OUTPUT ${source} CONTENT "${line}\n")
    add_library(probe_${id} OBJECT EXCLUDE_FROM_ALL ${source})
    set_target_properties(probe_${id} PROPERTIES AUTOMOC OFF AUTORCC OFF AUTOUIC OFF)
    get_target_property(type ${library} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
      set(prefix INTERFACE_)
    else()
      set(prefix "")
    endif()
    target_include_directories(probe_${id} PRIVATE $<TARGET_PROPERTY:${library},${prefix}INCLUDE_DIRECTORIES>)
    target_compile_definitions(probe_${id} PRIVATE $<TARGET_PROPERTY:${library},${prefix}COMPILE_DEFINITIONS>)
    target_compile_options(probe_${id} PRIVATE $<TARGET_PROPERTY:${library},${prefix}COMPILE_OPTIONS>)
    string(REGEX REPLACE "[<>]" "" bare "${header}")
    add_test(NAME "layering.${library}.${expectation}.${bare}"
      COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${CMAKE_BINARY_DIR} -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
              -DTARGET=probe_${id} -DHEADER=${bare} -DEXPECT=${expectation}
              -P ${CMAKE_SOURCE_DIR}/cmake/CheckLayerProbe.cmake)
    # One build tool at a time in the build tree.
    set_tests_properties("layering.${library}.${expectation}.${bare}" PROPERTIES
      RESOURCE_LOCK vorlap_build_tree TIMEOUT 300)
  endforeach()
endfunction()

# Bottom: plain C++. Every header of src/common must compile on its own without Qt.
file(GLOB common_headers RELATIVE ${CMAKE_SOURCE_DIR}/src CONFIGURE_DEPENDS
     ${CMAKE_SOURCE_DIR}/src/common/*.h ${CMAKE_SOURCE_DIR}/src/common/*/*.h)
vorlap_layer_probe(vorlap_common sees ${common_headers})
vorlap_layer_probe(vorlap_common misses <QString> platform/ItemMetadata.h)
vorlap_layer_probe(vorlap_platform sees common/Expected.h)
vorlap_layer_probe(vorlap_platform misses <QString> diskimage/ByteSource.h)

# Engine: no Qt, nothing of the layers above, and the engine library not the program.
vorlap_layer_probe(vorlap_diskimage sees diskimage/ByteSource.h platform/ItemMetadata.h common/Expected.h)
vorlap_layer_probe(vorlap_diskimage misses <QString> dsstore/DSStoreWriter.h pipeline/DMGBuilder.h
                   hdiutil/Hdiutil.h)
vorlap_layer_probe(vorlap_hdiutil sees diskimage/ByteSource.h)
vorlap_layer_probe(vorlap_hdiutil misses <QString> pipeline/DMGBuilder.h)

# Core: Qt Core and Gui but no widgets; projects below the pipeline; nothing of the top.
vorlap_layer_probe(vorlap_dsstore sees <QByteArray>)
vorlap_layer_probe(vorlap_dsstore misses <QWidget> project/VorlapProject.h diskimage/ByteSource.h)
vorlap_layer_probe(vorlap_project sees <QImage>)
vorlap_layer_probe(vorlap_project misses <QWidget> pipeline/DMGBuilder.h ui/VorlapApp.h)
# The pipeline reads the engine privately (the IDs an image will hold); it drives
# `hdiutil` as a program, never its library.
vorlap_layer_probe(vorlap_pipeline sees project/VorlapProject.h dsstore/DSStoreWriter.h diskimage/ByteSource.h)
vorlap_layer_probe(vorlap_pipeline misses <QWidget> ui/VorlapApp.h cli/BuildCommand.h hdiutil/Hdiutil.h)

# Top: the window and the command line sit side by side, neither on the engine.
vorlap_layer_probe(vorlap_cli sees pipeline/DMGBuilder.h)
vorlap_layer_probe(vorlap_cli misses <QWidget> ui/VorlapApp.h diskimage/ByteSource.h)
vorlap_layer_probe(vorlap_ui sees <QWidget> pipeline/DMGBuilder.h)
vorlap_layer_probe(vorlap_ui misses cli/BuildCommand.h diskimage/ByteSource.h hdiutil/Hdiutil.h)
