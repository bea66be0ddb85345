# Generated movies: tools/make-movie.py writes uncompressed AVI files of a
# synthetic stereo scene (see its help for the packings and the markers).
set(PARALLAXIA_MAKE_MOVIE ${CMAKE_SOURCE_DIR}/tools/make-movie.py)
find_program(PARALLAXIA_PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)

# parallaxia_movie(<output file> <make-movie arguments>...): a rule that makes the movie.
function(parallaxia_movie output)
    add_custom_command(OUTPUT ${output}
                       COMMAND ${PARALLAXIA_PYTHON} ${PARALLAXIA_MAKE_MOVIE} ${ARGN} ${output}
                       DEPENDS ${PARALLAXIA_MAKE_MOVIE}
                       COMMENT "Generating movie ${output}" VERBATIM)
endfunction()
