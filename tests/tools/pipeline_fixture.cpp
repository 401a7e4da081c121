// The frame pipeline's fixture (windows, pipeline state, a live 640 x 480
// slot), shared with the imaging tests.
#include "imaging/pipeline_fixture.cpp"
