// A library that stands in for the drawing library under its file name but
// holds none of its functions: the editor must refuse to open over it.
int kestrumEmptyLibraryMarker = 0;
