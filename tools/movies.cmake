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

# parallaxia_encoded_movie(<output file> <generated source file> <ffmpeg output options>...):
# the generated movie re-encoded by ffmpeg into a compressed format (the source
# must be made by a parallaxia_movie rule of its own).
find_program(PARALLAXIA_FFMPEG ffmpeg PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
function(parallaxia_encoded_movie output source)
    add_custom_command(OUTPUT ${output}
                       COMMAND ${PARALLAXIA_FFMPEG} -v error -y -i ${source} ${ARGN} ${output}
                       DEPENDS ${source}
                       COMMENT "Encoding movie ${output}" VERBATIM)
endfunction()
