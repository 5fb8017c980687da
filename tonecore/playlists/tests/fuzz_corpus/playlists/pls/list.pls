[playlist]
File1=./a.mp3
File3=..\b.mp3
File4=C:\c.mp3
NumberOfEntries=4
