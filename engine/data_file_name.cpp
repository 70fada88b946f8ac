// Names of the files the extraction writes.
