// The mail library's part of the class factory.
//
// Stored files name the classes of their objects; the factory makes them
// when a file is read. The application calls RegisterMailClasses once at
// start-up, before it reads any file, alongside the other libraries'
// Register...Classes calls.
#pragma once

void RegisterMailClasses();
