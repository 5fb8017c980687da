[playlist]
NumberOfEntries=2147483647
File1=a.mp3
File99999=b.mp3
